#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <memory>
#include <span>

namespace bilan::protect {

enum class Direction { Encrypt, Decrypt };

// The 20 characters the cipher leaves alone, whatever the exempt-character
// file says.
QStringView builtInExemptCharacters();

// The manuscript cipher. It hides a manuscript from a casual glance and
// nothing more: anyone with the program, or a table of code page 936,
// reads it back.
//
// Every character of code page 936 that round-trips (its value converts
// back to the same character) and is not exempt takes part; ordered by
// signed code-936 value they form a ring, and encrypting moves each one to
// the previous character of the ring, decrypting to the next. Where the
// neighbouring value is itself such a character the step is exactly one
// code lower or higher, so text shifted by one code decrypts as it always
// has; where it is not (a gap in the code page, an exempt character) the
// step goes on to the next one, so that nothing is ever lost. Exempt
// characters, characters code page 936 lacks, the halves of surrogate
// pairs, NUL and the carriage return stay as they are: every character
// the ring gives can be saved in both manuscript formats and read back.
// The two directions are each other's inverse.
class ShiftCipher final
{
public:
    using Table = std::array<char16_t, 0x10000>;

    // exempt: characters kept as they are besides the built-in ones.
    explicit ShiftCipher(QStringView exempt = {});
    ~ShiftCipher();
    ShiftCipher(const ShiftCipher &) = delete;
    ShiftCipher &operator=(const ShiftCipher &) = delete;

    char16_t shift(char16_t unit, Direction direction) const { return table(direction)[unit]; }
    QString apply(QStringView text, Direction direction) const;
    // out must hold at least text.size() units; text and out may be the same.
    void apply(QStringView text, std::span<char16_t> out, Direction direction) const;

    const Table &table(Direction direction) const;
    // How many characters take part in the ring.
    int ringSize() const { return m_ringSize; }

private:
    struct Tables;
    std::unique_ptr<Tables> m_tables;
    int m_ringSize = 0;
};

} // namespace bilan::protect
