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
// values give "NAN", "INF" or "-INF"; a result that rounds to zero has no
// minus ("-0.4" gives "0").
// Ties are decided on the value's 15-significant-digit decimal form, not on
// its binary expansion: 1.005 (stored as 1.00499999999999989...) gives
// "1.01" as typed, 2.5 gives "3", -2.5 gives "-3", 0.125 gives "0.13". A
// float widened to double is judged by its own digits: 2.675f is really
// 2.67499995..., so it gives "2.67".
std::string FormatFixed(double value, int decimals, char separator);

// General form with 15 significant digits: trailing zeros dropped, fixed
// notation while the integer part has at most 15 digits and |value| >= 1e-5,
// otherwise scientific as in 1E20 or 9E-6.
std::string FormatGeneral(double value, char separator);

// Converts a text written with `separator`: [sign] digits [separator digits]
// [E [sign] digits], surrounding blanks allowed. Anything else (empty text,
// another separator, thousands separators, a value beyond the range of a
// double) throws EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(const std::string& text, char separator);
bool TryStrToFloat(const std::string& text, char separator, double& value);

}  // namespace kestro
