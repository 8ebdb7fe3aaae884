#include "authorfile.h"

#include "text/fields.h"
#include "text/manuscriptio.h"
#include "text/plaintext.h"

#include <QDir>
#include <QFileInfo>

namespace bilan {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

const std::array<AuthorField, AuthorFieldCount> &authorFields()
{
    static const std::array<AuthorField, AuthorFieldCount> fields{{
        {QStringLiteral("请输入作者姓名："), QStringLiteral("作者：")},
        {QStringLiteral("请输入地址："), QStringLiteral("地址：")},
        {QStringLiteral("请输入邮政编码："), QStringLiteral("邮政编码：")},
        {QStringLiteral("请输入电话号码："), QStringLiteral("电话号码：")},
        {QStringLiteral("请输入手机号码："), QStringLiteral("手机号码：")},
        {QStringLiteral("请输入E-mail地址："), QStringLiteral("E-mail地址：")},
        {QStringLiteral("请输入您的其他信息："), QStringLiteral("其他信息：")},
    }};
    return fields;
}

QString authorFieldFromInput(const QString &typed)
{
    QString field = typed;
    field.replace(u'"', u'＂');
    return field;
}

AuthorFile::AuthorFile(QString folder) : m_folder(std::move(folder)) {}

QString AuthorFile::path() const
{
    return QDir(m_folder).filePath(QStringLiteral("author.txt"));
}

bool AuthorFile::exists() const
{
    return QFileInfo::exists(path());
}

AuthorReading AuthorFile::read() const
{
    AuthorReading reading;
    const fields::DataFile file = fields::readDataFile(path());
    switch (file.status) {
    case fields::FileStatus::Missing: reading.missing = true; return reading;
    case fields::FileStatus::Unreadable:
        reading.error = QStringLiteral("无法读取作者信息文件“%1”：%2。").arg(native(path()), file.reason);
        return reading;
    case fields::FileStatus::Ok: break;
    }
    fields::Reader reader(file.text);
    for (QString &field : reading.record) {
        const std::optional<QString> value = reader.nextText();
        if (!value)
            break;
        field = *value;
    }
    return reading;
}

QByteArray AuthorFile::encode(const AuthorRecord &record)
{
    QString line;
    for (const QString &field : record) {
        if (!line.isEmpty())
            line.append(u',');
        line.append(u'"').append(field).append(u'"');
    }
    line.append(u'\n');
    return plaintext::encode(line);
}

QString AuthorFile::write(const AuthorRecord &record) const
{
    QString reason = manuscript::preparePrivateFolder(m_folder);
    if (reason.isEmpty())
        reason = manuscript::writeWhole(path(), encode(record), true);
    if (reason.isEmpty())
        return {};
    return QStringLiteral("无法保存作者信息文件“%1”：%2。").arg(native(path()), reason);
}

} // namespace bilan
