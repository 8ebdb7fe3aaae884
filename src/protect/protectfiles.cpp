#include "protectfiles.h"

#include "text/fields.h"
#include "text/manuscriptio.h"
#include "text/plaintext.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace bilan::protect {

namespace {

constexpr int kExemptFields = 15;

constexpr QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerFolder = kOwnerFile | QFileDevice::ExeOwner;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// readDataFile only says that a file that is there could not be read.
QString unreadableReason(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("这是一个文件夹，不是文件");
    if (!info.isReadable())
        return QStringLiteral("没有读取权限");
    return QStringLiteral("读取失败");
}

QString passwordReadFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("无法读取登录密码文件“%1”：%2。").arg(native(path), reason);
}

QString passwordWriteFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("无法保存登录密码文件“%1”：%2。").arg(native(path), reason);
}

QString exemptFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("无法使用免加密字符文件“%1”：%2。文稿没有改动。").arg(native(path), reason);
}

// The folder must exist and be its owner's alone before the password goes
// into it. Only the last folder is made private: the ones above it (the
// home folder, ~/.config) are not the program's to change.
QString preparePrivateFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("“%1”不是文件夹").arg(native(folder));
    if (!info.exists()) {
        const QString parent = info.absolutePath();
        if (!QDir().mkpath(parent) || !QDir().mkdir(folder, kOwnerFolder))
            return QStringLiteral("无法建立文件夹“%1”").arg(native(folder));
    }
    if (!QFile::setPermissions(folder, kOwnerFolder))
        return QStringLiteral("无法把文件夹“%1”设为只有本人能进入").arg(native(folder));
    return {};
}

} // namespace

QString passwordPath(const QString &userFolder)
{
    return userFolder + QStringLiteral("/print.txt");
}

QString exemptFilePath(const QString &applicationFolder)
{
    return applicationFolder + QStringLiteral("/badcode.txt");
}

StoredPassword readPassword(const QString &path)
{
    StoredPassword result;
    const fields::DataFile file = fields::readDataFile(path);
    switch (file.status) {
    case fields::FileStatus::Missing:
        result.status = StoredPassword::Status::Missing;
        return result;
    case fields::FileStatus::Unreadable:
        result.status = StoredPassword::Status::Failed;
        result.error = passwordReadFailure(path, unreadableReason(path));
        return result;
    case fields::FileStatus::Ok:
        break;
    }
    // Even the empty password has its line end; a file with nothing at all
    // in it holds no password.
    if (file.text.isEmpty()) {
        result.status = StoredPassword::Status::Failed;
        result.error = passwordReadFailure(
            path, QStringLiteral("文件是空的（删除这个文件后，可以重新设置登录密码）"));
        return result;
    }
    qsizetype end = 0;
    while (end < file.text.size() && file.text[end] != u'\r' && file.text[end] != u'\n')
        ++end;
    result.password = file.text.left(end);
    return result;
}

QString writePassword(const QString &path, const QString &password)
{
    const QFileInfo info(path);
    if (const QString problem = preparePrivateFolder(info.absolutePath()); !problem.isEmpty())
        return passwordWriteFailure(path, problem);
    if (info.isDir())
        return passwordWriteFailure(path, QStringLiteral("这是一个文件夹，不是文件"));

    const QByteArray bytes = plaintext::encode(password + u'\n');
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return passwordWriteFailure(path, manuscript::writeFailureReason(file.errorString()));
    // Set on the fresh file before it takes the old one's place, so the
    // password is never readable by others, not even for a moment.
    if (!file.setPermissions(kOwnerFile)) {
        file.cancelWriting();
        return passwordWriteFailure(path, QStringLiteral("无法把文件设为只有本人能读写"));
    }
    // A short write is no error to the save file: check the count, and
    // flush by hand so that a full disk is seen before the commit.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = manuscript::writeFailureReason(file.errorString());
        file.cancelWriting();
        return passwordWriteFailure(path, reason);
    }
    if (!file.commit())
        return passwordWriteFailure(path, manuscript::writeFailureReason(file.errorString()));
    return {};
}

ExemptCharacters readExemptFile(const QString &path)
{
    ExemptCharacters result;
    const fields::DataFile file = fields::readDataFile(path);
    if (file.status == fields::FileStatus::Missing) {
        result.error = exemptFailure(path, QStringLiteral("文件不存在"));
        return result;
    }
    if (file.status == fields::FileStatus::Unreadable) {
        result.error = exemptFailure(path, unreadableReason(path));
        return result;
    }

    fields::Reader reader(file.text);
    for (int field = 1; field <= kExemptFields; ++field) {
        // Fields 1 to 14 may be numbers or empty, which exempt nothing;
        // the 15th is always text.
        QString text;
        bool present = false;
        if (field < kExemptFields) {
            const std::optional<fields::Value> value = reader.nextValue();
            present = value.has_value();
            if (const QString *asText = present ? std::get_if<QString>(&*value) : nullptr)
                text = *asText;
        } else {
            const std::optional<QString> value = reader.nextText();
            present = value.has_value();
            text = value.value_or(QString());
        }
        if (!present) {
            result.error = exemptFailure(
                path, QStringLiteral("只有 %1 项，至少要有 %2 项").arg(field - 1).arg(kExemptFields));
            return result;
        }
        if (text.size() == 1)
            result.characters.append(text);
    }
    return result;
}

} // namespace bilan::protect
