#include "fields.h"

#include "plaintext.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace bilan::fields {

namespace {

constexpr qint64 DataFileLimit = 1024 * 1024;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool endsField(QChar c)
{
    return c == u',' || c == u'\r' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

Reader::Reader(QString text) : m_text(std::move(text)) {}

bool Reader::atEnd() const
{
    return m_position >= m_text.size() && !m_afterComma;
}

void Reader::skipTerminator()
{
    const qsizetype n = m_text.size();
    if (m_position >= n)
        return;
    const QChar c = m_text[m_position++];
    if (c == u',')
        m_afterComma = true;
    else if (c == u'\r' && m_position < n && m_text[m_position] == u'\n')
        ++m_position;
}

std::optional<Reader::Field> Reader::next()
{
    const qsizetype n = m_text.size();
    if (m_position >= n) {
        if (!m_afterComma)
            return std::nullopt;
        m_afterComma = false;
        return Field{};
    }
    m_afterComma = false;

    const QStringView all(m_text);
    while (m_position < n && isBlank(all[m_position]))
        ++m_position;

    if (m_position < n && all[m_position] == u'"') {
        const qsizetype open = m_position + 1;
        const qsizetype close = m_text.indexOf(u'"', open);
        if (close < 0) {
            m_position = n;
            return Field{all.sliced(open), true};
        }
        Field field{all.sliced(open, close - open), true};
        m_position = close + 1;
        while (m_position < n && !endsField(all[m_position]))
            ++m_position;
        skipTerminator();
        return field;
    }

    // Blanks at the end are the field's own: a phrase or a password typed
    // with one must read back with it.
    const qsizetype start = m_position;
    while (m_position < n && !endsField(all[m_position]))
        ++m_position;
    const Field field{all.sliced(start, m_position - start), false};
    skipTerminator();
    return field;
}

std::optional<QString> Reader::nextText()
{
    const std::optional<Field> field = next();
    if (!field)
        return std::nullopt;
    return field->text.toString();
}

std::optional<Value> Reader::nextValue()
{
    const std::optional<Field> field = next();
    if (!field)
        return std::nullopt;
    if (field->quoted)
        return Value(field->text.toString());
    if (field->text.isEmpty())
        return Value(Empty{});
    // A number stands for itself; blanks after it change nothing.
    QStringView number = field->text;
    while (!number.isEmpty() && isBlank(number.back()))
        number.chop(1);
    if (isNumber(number)) {
        bool ok = false;
        const double value = QLocale::c().toDouble(number, &ok);
        if (ok)
            return Value(value);
    }
    return Value(field->text.toString());
}

bool isNumber(QStringView field)
{
    qsizetype i = 0;
    const qsizetype n = field.size();
    if (i < n && (field[i] == u'+' || field[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(field[i])) {
        ++i;
        ++digits;
    }
    if (i < n && field[i] == u'.') {
        ++i;
        while (i < n && isDigit(field[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (field[i] == u'e' || field[i] == u'E')) {
        ++i;
        if (i < n && (field[i] == u'+' || field[i] == u'-'))
            ++i;
        qsizetype exponentDigits = 0;
        while (i < n && isDigit(field[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

QString decodeDataFile(QByteArrayView bytes)
{
    return plaintext::decode(bytes, plaintext::Unmarked::SystemCodePage).text;
}

DataFile readDataFile(const QString &path)
{
    DataFile result;
    const auto unreadable = [&result](const QString &reason) {
        result.status = FileStatus::Unreadable;
        result.reason = reason;
        return result;
    };
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        result.status = FileStatus::Missing;
        return result;
    }
    if (info.isDir())
        return unreadable(QStringLiteral("这是一个文件夹，不是文件"));
    if (!info.isFile())
        return unreadable(QStringLiteral("这不是普通文件"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(path)) { // gone between the look and the open
            result.status = FileStatus::Missing;
            return result;
        }
        return unreadable(info.isReadable() ? QStringLiteral("读取失败") : QStringLiteral("没有读取权限"));
    }
    const QByteArray bytes = file.read(DataFileLimit);
    if (file.error() != QFileDevice::NoError)
        return unreadable(QStringLiteral("读取失败"));
    result.text = decodeDataFile(bytes);
    return result;
}

} // namespace bilan::fields
