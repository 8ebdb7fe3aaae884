#include "protectfiles.h"

#include "text/fields.h"
#include "text/manuscriptio.h"
#include "text/plaintext.h"

#include <QDir>
#include <QFileInfo>

namespace bilan::protect {

namespace {

constexpr int kExemptFields = 15;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
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
        result.error = passwordReadFailure(path, file.reason);
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
    // The folder is made its owner's alone before the password goes in.
    QString reason = manuscript::preparePrivateFolder(QFileInfo(path).absolutePath());
    if (reason.isEmpty())
        reason = manuscript::writeWhole(path, plaintext::encode(password + u'\n'), true);
    return reason.isEmpty() ? QString() : passwordWriteFailure(path, reason);
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
        result.error = exemptFailure(path, file.reason);
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
