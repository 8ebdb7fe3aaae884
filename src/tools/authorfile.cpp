#include "authorfile.h"

#include "text/fields.h"
#include "text/manuscriptio.h"
#include "text/plaintext.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace bilan {

namespace {

constexpr QFile::Permissions OwnerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The nearest part of the path that exists, and so is where a folder
// could not be made when it is a file.
QString nearestExisting(const QString &path)
{
    QString step = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(step)) {
        const QString up = QFileInfo(step).absolutePath();
        if (up == step)
            break;
        step = up;
    }
    return step;
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
    case fields::FileStatus::Unreadable: {
        const QFileInfo info(path());
        const QString reason = info.isDir()          ? QStringLiteral("这是一个文件夹，不是文件")
                               : !info.isReadable() ? QStringLiteral("没有读取权限")
                                                    : QStringLiteral("读取失败");
        reading.error = QStringLiteral("无法读取作者信息文件“%1”：%2。").arg(native(path()), reason);
        return reading;
    }
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

QString AuthorFile::ensureFolder() const
{
    const QFileInfo folder(m_folder);
    if (folder.isDir())
        return {};
    if (!folder.exists()) {
        QDir().mkpath(folder.absolutePath());
        // Made for the owner alone from the start, so that the details are
        // never readable by others, not even for a moment.
        if (QDir().mkdir(folder.absoluteFilePath(), OwnerOnlyFolder))
            return {};
    }
    const QString blocker = nearestExisting(m_folder);
    if (QFileInfo(blocker).exists() && !QFileInfo(blocker).isDir())
        return QStringLiteral("“%1”不是文件夹").arg(native(blocker));
    return QStringLiteral("无法新建文件夹“%1”").arg(native(m_folder));
}

QString AuthorFile::write(const AuthorRecord &record) const
{
    const QString target = path();
    const auto failure = [&target](const QString &reason) {
        return QStringLiteral("无法保存作者信息文件“%1”：%2。").arg(native(target), reason);
    };

    if (const QString reason = ensureFolder(); !reason.isEmpty())
        return failure(reason);
    if (QFileInfo(target).isDir())
        return failure(QStringLiteral("这是一个文件夹，不是文件"));

    const QByteArray bytes = encode(record);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return failure(manuscript::writeFailureReason(file.errorString()));
    file.setPermissions(OwnerOnlyFile);
    // A write cut short (a full disk, a size limit) is not an error to the
    // save file until it is flushed, and a failed flush would not stop the
    // commit: flush by hand and give up before anything is replaced.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = manuscript::writeFailureReason(file.errorString());
        file.cancelWriting();
        return failure(reason);
    }
    if (!file.commit())
        return failure(manuscript::writeFailureReason(file.errorString()));
    return {};
}

} // namespace bilan
