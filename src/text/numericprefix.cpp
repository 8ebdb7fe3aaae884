#include "numericprefix.h"

#include <charconv>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace bilan {

namespace {

bool isIgnored(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int digitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// The characters that take part in the reading: the ASCII ones up to the
// first other character (which can never belong to a number), without the
// ignored blanks.
std::string significant(QStringView text)
{
    std::string out;
    for (const QChar c : text) {
        if (isIgnored(c))
            continue;
        if (c.unicode() >= 0x80)
            break;
        out.push_back(char(c.unicode()));
    }
    return out;
}

double radixNumber(const std::string &s, int base)
{
    double value = 0;
    for (std::size_t i = 2; i < s.size(); ++i) {
        const int digit = digitValue(s[i], base);
        if (digit < 0)
            break;
        value = value * base + digit;
    }
    return value;
}

// Where the first significant digit stands, as a power of ten (0 for the
// units), for a mantissa of integer digits `whole` and fraction digits
// `fraction`; nothing when every digit is 0.
std::optional<long long> leadingPower(std::string_view whole, std::string_view fraction)
{
    const std::size_t wholeLead = whole.find_first_not_of('0');
    if (wholeLead != std::string_view::npos)
        return static_cast<long long>(whole.size() - wholeLead) - 1;
    const std::size_t fractionLead = fraction.find_first_not_of('0');
    if (fractionLead != std::string_view::npos)
        return -static_cast<long long>(fractionLead) - 1;
    return std::nullopt;
}

double decimalNumber(const std::string &s)
{
    std::size_t i = 0;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    const std::size_t wholeStart = i;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    const std::string_view whole(s.data() + wholeStart, i - wholeStart);
    std::string_view fraction;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fractionStart = ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        fraction = std::string_view(s.data() + fractionStart, i - fractionStart);
    }
    if (whole.empty() && fraction.empty())
        return 0;

    // The exponent counts only when digits follow its letter and sign.
    std::string_view exponentDigits;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        const bool hasSign = j < s.size() && (s[j] == '+' || s[j] == '-');
        negativeExponent = hasSign && s[j] == '-';
        if (hasSign)
            ++j;
        const std::size_t digitsStart = j;
        while (j < s.size() && isDigit(s[j]))
            ++j;
        exponentDigits = std::string_view(s.data() + digitsStart, j - digitsStart);
    }

    // from_chars ignores the locale, unlike strtod, and knows no D exponent
    // and no leading plus: give it the number in its own spelling.
    std::string number;
    if (negative)
        number.push_back('-');
    number.append(whole.empty() ? std::string_view("0") : whole);
    if (!fraction.empty()) {
        number.push_back('.');
        number.append(fraction);
    }
    if (!exponentDigits.empty()) {
        number.push_back('e');
        if (negativeExponent)
            number.push_back('-');
        number.append(exponentDigits);
    }
    double value = 0;
    const std::from_chars_result read = std::from_chars(number.data(), number.data() + number.size(), value);
    if (read.ec != std::errc::result_out_of_range)
        return value;

    // Out of range: too large or too small, which the exponent and the
    // position of the first significant digit tell apart.
    const std::optional<long long> lead = leadingPower(whole, fraction);
    if (!lead)
        return negative ? -0.0 : 0.0;
    constexpr long long ExponentCap = 1'000'000'000;
    long long exponent = 0;
    for (const char c : exponentDigits) {
        exponent = exponent * 10 + (c - '0');
        if (exponent > ExponentCap) {
            exponent = ExponentCap;
            break;
        }
    }
    const long long power = *lead + (negativeExponent ? -exponent : exponent);
    const double magnitude = power > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

} // namespace

double numericPrefix(QStringView text)
{
    const std::string s = significant(text);
    if (!s.empty() && s[0] == '&') {
        if (s.size() >= 2 && (s[1] == 'h' || s[1] == 'H'))
            return radixNumber(s, 16);
        if (s.size() >= 2 && (s[1] == 'o' || s[1] == 'O'))
            return radixNumber(s, 8);
        return 0;
    }
    return decimalNumber(s);
}

} // namespace bilan
