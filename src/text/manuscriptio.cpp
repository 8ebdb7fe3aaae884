#include "manuscriptio.h"

#include "documenttext.h"
#include "plaintext.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextDocument>

#include <algorithm>
#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace bilan::manuscript {

namespace {

// No manuscript comes near this; a bigger file is something else, and
// reading it whole would only stall the window.
constexpr qint64 SizeLimit = 64 * 1024 * 1024;

enum class Direction { Reading, Writing };

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

Outcome openFailure(const QString &path, const QString &reason)
{
    return {QStringLiteral("无法打开文件“%1”：%2。").arg(native(path), reason)};
}

Outcome saveFailure(const QString &path, const QString &reason)
{
    return {QStringLiteral("无法保存文件“%1”：%2。").arg(native(path), reason)};
}

// Qt reports a failed system call with the system's own sentence for the
// error code, in English; the user gets the Chinese one for every code a
// file can meet. The sentence is matched against the one Qt makes from
// each code, so nothing depends on the locale's wording.
QString systemReason(const QString &systemMessage, Direction direction)
{
    const bool writing = direction == Direction::Writing;
    struct Known
    {
        int code;
        QString reason;
    };
    const Known known[] = {
        {ENOSPC, QStringLiteral("磁盘空间不足")},
        {EDQUOT, QStringLiteral("磁盘配额已用完")},
        {EFBIG, QStringLiteral("文件超出了系统允许的大小")},
        {EROFS, QStringLiteral("磁盘是只读的")},
        {EACCES, writing ? QStringLiteral("没有写入权限") : QStringLiteral("没有读取权限")},
        {EPERM, writing ? QStringLiteral("没有写入权限") : QStringLiteral("没有读取权限")},
        // The folder was there when the save began, so a missing entry on
        // the way in means the folder takes no new files (as under /proc).
        {ENOENT, writing ? QStringLiteral("无法在这个文件夹里新建文件") : QStringLiteral("文件不存在")},
        {ENOTDIR, QStringLiteral("路径中有一段不是文件夹")},
        {EISDIR, QStringLiteral("这是一个文件夹，不是文件")},
        {ENAMETOOLONG, QStringLiteral("文件名太长")},
        {ELOOP, QStringLiteral("路径中的符号链接太多")},
        {EIO, QStringLiteral("读写设备时出错")},
        {EBUSY, QStringLiteral("文件正被占用")},
        {ETXTBSY, QStringLiteral("文件正被占用")},
        {EMFILE, QStringLiteral("同时打开的文件太多")},
        {ENFILE, QStringLiteral("同时打开的文件太多")},
        {EINVAL, QStringLiteral("文件名无效")},
        {ENXIO, QStringLiteral("设备不存在")},
        {ENODEV, QStringLiteral("设备不存在")},
    };
    for (const Known &k : known) {
        if (systemMessage == qt_error_string(k.code))
            return k.reason;
    }
    // An empty message comes out of Qt as "Unknown error": nothing to add.
    if (systemMessage.isEmpty() || systemMessage == QLatin1String("Unknown error"))
        return writing ? QStringLiteral("写入失败") : QStringLiteral("读取失败");
    return (writing ? QStringLiteral("写入失败（%1）") : QStringLiteral("读取失败（%1）")).arg(systemMessage);
}

// Why a path names nothing, once no file stands in the way: its folder is
// missing, or the file is.
QString missingReason(const QFileInfo &info)
{
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return QStringLiteral("文件夹“%1”不存在").arg(native(folder.filePath()));
    return QStringLiteral("文件不存在");
}

// The folder on the way that is a file, if any: the system only says
// "not a directory" and the user needs to know which.
std::optional<QString> fileInTheWay(const QString &folder)
{
    QString path = QDir(folder).absolutePath();
    while (!path.isEmpty()) {
        const QFileInfo step(path);
        if (step.exists())
            return step.isDir() ? std::nullopt : std::optional<QString>(path);
        const QString up = QFileInfo(path).absolutePath();
        if (up == path)
            break;
        path = up;
    }
    return std::nullopt;
}

// The folder's entry for a file just moved into place, on the disk. A
// file system that cannot sync a folder (EINVAL) has nothing to wait for.
QString syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const int result = ::fsync(fd);
    const int code = errno;
    ::close(fd);
    if (result != 0 && code != EINVAL)
        return systemReason(qt_error_string(code), Direction::Writing);
    return {};
}

} // namespace

Outcome load(const QString &path, QTextDocument &document)
{
    if (path.isEmpty())
        return {QStringLiteral("无法打开文件：没有给出文件名。")};

    const QFileInfo info(path);
    if (!info.exists()) {
        if (const auto blocker = fileInTheWay(info.absolutePath()))
            return openFailure(path, QStringLiteral("“%1”不是文件夹").arg(native(*blocker)));
        return openFailure(path, missingReason(info));
    }
    if (info.isDir())
        return openFailure(path, QStringLiteral("这是一个文件夹，不是文件"));
    // Devices, pipes and sockets have no end to read to; a pipe would not
    // even open until someone wrote into it.
    if (!info.isFile())
        return openFailure(path, QStringLiteral("这不是普通文件"));
    if (info.size() > SizeLimit)
        return openFailure(path, QStringLiteral("文件太大（超过 64 MB），不像是稿子"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return openFailure(path, systemReason(file.errorString(), Direction::Reading));
    // Read in blocks to the end rather than trusting the size: files under
    // /proc report none, and a file may grow while it is read.
    QByteArray data;
    data.reserve(qsizetype(std::min(info.size(), SizeLimit)) + 1);
    for (;;) {
        const QByteArray block = file.read(1024 * 1024);
        if (file.error() != QFileDevice::NoError)
            return openFailure(path, systemReason(file.errorString(), Direction::Reading));
        if (block.isEmpty())
            break;
        data.append(block);
        if (data.size() > SizeLimit)
            return openFailure(path, QStringLiteral("文件太大（超过 64 MB），不像是稿子"));
    }
    file.close();

    if (rtf::looksLikeRtf(data)) {
        // The RTF reader takes whatever the bytes hold and cannot fail, so
        // the document is only touched once nothing else can go wrong.
        rtf::read(data, document);
        return {};
    }
    const plaintext::Decoded decoded = plaintext::decode(data);
    if (decoded.binary)
        return openFailure(path, QStringLiteral("这不是文本文件，也不是 RTF 文件"));
    document.setPlainText(decoded.text);
    return {};
}

Outcome save(const QString &path, const QTextDocument &document, Format format)
{
    if (path.isEmpty())
        return {QStringLiteral("无法保存文件：没有给出文件名。")};
    return saveBytes(path, format == Format::Rtf ? rtf::write(document)
                                                 : plaintext::encode(documentText(document)));
}

Outcome saveBytes(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return {QStringLiteral("无法保存文件：没有给出文件名。")};
    if (const QString reason = writeWhole(path, bytes); !reason.isEmpty())
        return saveFailure(path, reason);
    return {};
}

QString writeWhole(const QString &path, const QByteArray &bytes, bool ownerOnly)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("这是一个文件夹，不是文件");
    if (const auto blocker = fileInTheWay(info.absolutePath()))
        return QStringLiteral("“%1”不是文件夹").arg(native(*blocker));
    if (!QFileInfo(info.absolutePath()).exists())
        return missingReason(info);
    if (info.exists() && !info.isFile())
        return QStringLiteral("这不是普通文件");

    QSaveFile file(path);
    // Unbuffered, so that a write cut short reports the system's reason
    // (disk full) even for a file small enough to sit in a buffer.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (info.exists() && !info.isWritable())
            return QStringLiteral("文件是只读的");
        return systemReason(file.errorString(), Direction::Writing);
    }
    // Set on the fresh file before it takes the old one's place, so the
    // content is never readable by others, not even for a moment.
    if (ownerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return QStringLiteral("无法把文件设为只有本人能读写");
    }
    // A write cut short by a full disk or a size limit is not an error to
    // the save file, and a failed flush does not stop its commit: keep
    // writing until the system says why it stops, then flush by hand.
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 step = file.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0)
            break;
        written += step;
    }
    if (written != bytes.size() || !file.flush()) {
        const QString reason = systemReason(file.errorString(), Direction::Writing);
        file.cancelWriting();
        return reason;
    }
    // On the disk before it takes the old file's place: otherwise a power
    // cut soon after the move can leave an empty file under the name.
    if (::fsync(file.handle()) != 0) {
        const QString reason = writeFailureReason(errno);
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return systemReason(file.errorString(), Direction::Writing);
    return syncFolder(info.absolutePath());
}

QString writeFailureReason(int errorCode)
{
    return systemReason(qt_error_string(errorCode), Direction::Writing);
}

QString preparePrivateFolder(const QString &folder)
{
    constexpr QFileDevice::Permissions ownerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const QFileInfo info(folder);
    if (!info.exists()) {
        // Made for the owner alone from the start.
        if (QDir().mkpath(info.absolutePath()) && QDir().mkdir(info.absoluteFilePath(), ownerOnly))
            return {};
        if (const auto blocker = fileInTheWay(info.absoluteFilePath()))
            return QStringLiteral("“%1”不是文件夹").arg(native(*blocker));
        return QStringLiteral("无法建立文件夹“%1”").arg(native(folder));
    }
    if (!info.isDir())
        return QStringLiteral("“%1”不是文件夹").arg(native(folder));
    if (!QFile::setPermissions(folder, ownerOnly))
        return QStringLiteral("无法把文件夹“%1”设为只有本人能进入").arg(native(folder));
    return {};
}

} // namespace bilan::manuscript
