#pragma once
// Numbers as the regional settings write them: fixed patterns for the
// display and the dialogs, the 15-significant-digit general form for files,
// and the conversion back. The decimal separator is passed in; the Qt side
// takes it from the locale (Regional.h).

#include <stdexcept>
#include <string>

namespace kestro {

// The run-time conversion error: "'%s' is not a valid floating point value".
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fixed pattern with `decimals` decimals ("0" is 0, "0.00" is 2): rounded
// half away from zero, a leading minus, no thousands separator. Non-finite
// values give "NAN", "INF" or "-INF".
std::string FormatFixed(double value, int decimals, char separator);

// General form with 15 significant digits: trailing zeros dropped, fixed
// notation while the integer part has at most 15 digits and |value| >= 1e-5,
// otherwise scientific as in 1E20 or 9E-6.
std::string FormatGeneral(double value, char separator);

// Converts a text written with `separator`; surrounding blanks are allowed,
// anything else that is not a number throws EConvertError.
double StrToFloat(const std::string& text, char separator);
bool TryStrToFloat(const std::string& text, char separator, double& value);

}  // namespace kestro
