#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace bilan::cp936 {

// The code-936 value of a character is what the word count classifies and
// what the cipher shifts: the byte of a single-byte character (0 to 255),
// lead × 256 + trail of a double-byte one read as a signed 16-bit number
// (always negative), and the question mark's 63 for anything code page 936
// cannot hold, each half of a surrogate pair included.
inline constexpr std::int16_t Unrepresentable = 63;

// The reverse conversion's answer for a value that names no character of
// code page 936 (a lone lead byte, a trail byte out of range, 256 to 32767).
// U+FFFD rather than '?': a shifted character that fell off the code page
// then shows as damage instead of passing for a question mark the author
// typed.
inline constexpr char16_t Replacement = u'\uFFFD';

// True when the platform has the GBK converter the tables are built from.
bool isAvailable();

// Builds the conversion tables now; otherwise the first conversion does.
void prepare();

std::int16_t value(char16_t unit);
// One value per UTF-16 code unit of the text.
std::vector<std::int16_t> values(QStringView text);
void values(QStringView text, std::span<std::int16_t> out);

// The character of a code-936 value; Replacement for a value outside
// -32768..32767 or one that names no character.
char16_t character(int value);
QString characters(std::span<const std::int16_t> values);

// The bytes a value stands for: one byte for 0 to 255, otherwise two, the
// high byte first.
QByteArray bytes(std::int16_t value);

namespace detail {

// Both directions, indexed by the UTF-16 unit and by the value's 16 bits.
struct Tables
{
    std::array<std::int16_t, 0x10000> values;
    std::array<char16_t, 0x10000> characters;
};

// A fresh pair of tables, built from the platform's converter (for the
// benchmark; everything else shares the one built on first use).
std::unique_ptr<Tables> buildTables();

} // namespace detail

} // namespace bilan::cp936
