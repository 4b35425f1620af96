#include "platform/core/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace kestro {

namespace {

// A decimal number as sign, significant digits and the position of the
// decimal point: value = 0.<digits> x 10^point. No leading or trailing zero
// digits; zero has no digits.
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;
};

void dropTrailingZeros(Decimal& d) {
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

// The exact decimal value of a finite double. A double has at most 767
// significant decimal digits and printf writes them all exactly, so no
// rounding happens here.
Decimal exactDecimal(double value) {
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    char text[800];
    std::snprintf(text, sizeof text, "%.766e", std::fabs(value));
    char* exponent = nullptr;
    for (char* c = text; *c; ++c) {
        if (*c >= '0' && *c <= '9')
            d.digits += *c;
        if (*c == 'e') {
            exponent = c + 1;
            break;
        }
    }
    d.point = std::atoi(exponent) + 1;
    dropTrailingZeros(d);
    return d;
}

// Keeps the first `count` digits (count may be 0 or negative), rounding
// half away from zero.
void roundDigits(Decimal& d, int count) {
    if (static_cast<int>(d.digits.size()) <= count)
        return;
    if (count < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[count] >= '5';
    d.digits.resize(count);
    if (up) {
        int i = count - 1;
        while (i >= 0 && d.digits[i] == '9')
            d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    dropTrailingZeros(d);
}

// The value rounded to the 15 significant digits a double reliably carries.
// Every decimal text of up to 15 digits read into a double comes back here
// as that text, so later decisions on ties see what the user wrote.
Decimal significant15(double value) {
    Decimal d = exactDecimal(value);
    roundDigits(d, 15);
    return d;
}

char digitAt(const Decimal& d, int index) {
    return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[index] : '0';
}

std::string integerPart(const Decimal& d) {
    if (d.point <= 0)
        return "0";
    std::string text;
    for (int i = 0; i < d.point; ++i)
        text += digitAt(d, i);
    return text;
}

std::string nonFinite(double value) {
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string sign(const Decimal& d) {
    return d.negative && !d.digits.empty() ? "-" : "";
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Checks the number syntax, [sign] digits [sep digits] [E [sign] digits],
// and rewrites it for from_chars: point as separator, no plus sign.
bool normalise(const std::string& text, char separator, std::string& out) {
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            out += '-';
        ++i;
    }
    int mantissaDigits = 0;
    for (; i < end && isDigit(text[i]); ++i, ++mantissaDigits)
        out += text[i];
    if (i < end && text[i] == separator) {
        out += '.';
        for (++i; i < end && isDigit(text[i]); ++i, ++mantissaDigits)
            out += text[i];
    }
    if (mantissaDigits == 0)
        return false;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        out += 'e';
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-'))
            out += text[i++];
        int exponentDigits = 0;
        for (; i < end && isDigit(text[i]); ++i, ++exponentDigits)
            out += text[i];
        if (exponentDigits == 0)
            return false;
    }
    return i == end;
}

}  // namespace

std::string FormatFixed(double value, int decimals, char separator) {
    if (!std::isfinite(value))
        return nonFinite(value);
    Decimal d = significant15(value);
    roundDigits(d, d.point + decimals);
    std::string text = sign(d) + integerPart(d);
    if (decimals > 0) {
        text += separator;
        for (int i = 0; i < decimals; ++i)
            text += digitAt(d, d.point + i);
    }
    return text;
}

std::string FormatGeneral(double value, char separator) {
    if (!std::isfinite(value))
        return nonFinite(value);
    const Decimal d = significant15(value);
    if (d.digits.empty())
        return "0";
    const int digits = static_cast<int>(d.digits.size());
    std::string text = sign(d);
    if (d.point > 15 || d.point < -4) {
        text += d.digits[0];
        if (digits > 1)
            text += separator + d.digits.substr(1);
        const int exponent = d.point - 1;
        text += 'E';
        if (exponent < 0)
            text += '-';
        return text + std::to_string(std::abs(exponent));
    }
    text += integerPart(d);
    if (digits > d.point) {
        text += separator;
        // From a point left of the first digit this starts with its zeros.
        for (int i = d.point; i < digits; ++i)
            text += digitAt(d, i);
    }
    return text;
}

bool TryStrToFloat(const std::string& text, char separator, double& value) {
    std::string plain;
    if (!normalise(text, separator, plain))
        return false;
    double parsed = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    if (error != std::errc() || end != plain.data() + plain.size())
        return false;
    value = parsed;
    return true;
}

double StrToFloat(const std::string& text, char separator) {
    double value = 0;
    if (!TryStrToFloat(text, separator, value)) {
        throw EConvertError("'" + text + "' is not a valid floating point value");
    }
    return value;
}

}  // namespace kestro
