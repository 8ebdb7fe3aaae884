#pragma once

#include "rtfissues.h"

#include <QByteArrayView>

#include <cstdint>
#include <string_view>

namespace bilan::rtf {

enum class TokenType : std::uint8_t {
    End,
    GroupOpen,
    GroupClose,
    ControlWord,   // \word or \wordN
    ControlSymbol, // \ followed by one non-letter
    HexByte,       // \'hh
    Text,          // a run of literal bytes (no line ends or control bytes)
    Binary,        // the N bytes that follow \binN
};

struct Token
{
    TokenType type = TokenType::End;
    bool hasParameter = false;
    char symbol = 0;         // ControlSymbol
    std::uint8_t byte = 0;   // HexByte
    int parameter = 0;       // ControlWord, clamped to int
    std::string_view word;   // ControlWord: the letters only
    QByteArrayView bytes;    // Text, Binary
    qsizetype offset = 0;    // where the token begins in the data
};

// Splits RTF bytes into tokens and nothing more: it knows no control word
// except \bin, whose data it must step over to find the next token.
class Tokenizer final
{
public:
    explicit Tokenizer(QByteArrayView data);

    Token next();

    qsizetype position() const { return m_pos; }
    Issues issues() const { return m_issues; }

private:
    Token controlWord(qsizetype start);

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    Issues m_issues;
};

} // namespace bilan::rtf
