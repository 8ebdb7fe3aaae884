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
#include <functional>
#include <optional>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace bilan::manuscript {

namespace {

// What opening a file takes in memory for each byte of it, at most: the
// bytes read, the pictures' own bytes (half their digits) and the text
// the document holds, two bytes a character.
constexpr qint64 MemoryPerFileByte = 3;
constexpr qint64 MiB = 1024 * 1024;

enum class Direction { Reading, Writing };

QString writeWholeFrom(const QString &path, const Producer &produce, bool ownerOnly);

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

// The bytes of a file being opened, in memory mapped for this one read.
// Unlike a QByteArray, its front can be given back to the system while
// the rest is still in use: an illustrated manuscript is mostly the digits
// of its photographs, done with as soon as each picture is decoded to its
// bytes, and keeping them all would double what opening it takes.
class ReadBuffer final
{
public:
    ReadBuffer() = default;
    ~ReadBuffer()
    {
        if (m_data)
            ::munmap(m_data, size_t(m_capacity));
    }
    ReadBuffer(const ReadBuffer &) = delete;
    ReadBuffer &operator=(const ReadBuffer &) = delete;

    // Room for at least this many bytes in all; false when the system has
    // no memory for it.
    bool reserve(qsizetype bytes)
    {
        const qsizetype page = ::sysconf(_SC_PAGESIZE);
        bytes = std::max<qsizetype>((bytes + page - 1) / page * page, page);
        if (bytes <= m_capacity)
            return true;
        void *grown = m_data ? ::mremap(m_data, size_t(m_capacity), size_t(bytes), MREMAP_MAYMOVE)
                             : ::mmap(nullptr, size_t(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (grown == MAP_FAILED)
            return false;
        // Large pages where the system has them: touching a hundred
        // megabytes page by page costs more than reading them.
        ::madvise(grown, size_t(bytes), MADV_HUGEPAGE);
        m_data = static_cast<char *>(grown);
        m_capacity = bytes;
        return true;
    }
    char *end() { return m_data + m_size; }
    qsizetype room() const { return m_capacity - m_size; }
    qsizetype capacity() const { return m_capacity; }
    void grew(qsizetype bytes) { m_size += bytes; }
    QByteArrayView bytes() const { return {m_data, m_size}; }

    // The whole pages before offset go back to the system.
    void release(qsizetype offset)
    {
        const qsizetype page = ::sysconf(_SC_PAGESIZE);
        const qsizetype upTo = std::min(offset, m_size) / page * page;
        if (upTo > m_released && ::madvise(m_data + m_released, size_t(upTo - m_released), MADV_DONTNEED) == 0)
            m_released = upTo;
    }

private:
    char *m_data = nullptr;
    qsizetype m_capacity = 0;
    qsizetype m_size = 0;
    qsizetype m_released = 0;
};

// Whole megabytes, rounded up, so that a file is never called smaller than
// it is.
QString megabytes(qint64 bytes)
{
    return QString::number((bytes + MiB - 1) / MiB);
}

} // namespace

qint64 availableMemory()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly))
        return -1;
    // "MemAvailable:   23793220 kB": what can be had without swapping.
    for (const QByteArray &line : meminfo.readAll().split('\n')) {
        if (line.startsWith("MemAvailable:")) {
            bool ok = false;
            const qint64 kilobytes = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? kilobytes * 1024 : -1;
        }
    }
    return -1;
}

Outcome load(const QString &path, QTextDocument &document)
{
    return load(path, document, availableMemory());
}

Outcome load(const QString &path, QTextDocument &document, qint64 memory)
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
    // Said before a byte is read, while the manuscript in the window is
    // still whole: reading until memory runs out would lose it.
    if (memory >= 0 && info.size() > memory / MemoryPerFileByte) {
        return openFailure(path, QStringLiteral("文件有 %1 MB，打开它约需 %2 MB 内存，而现在只有 %3 MB 可用")
                                     .arg(megabytes(info.size()))
                                     .arg(megabytes(info.size() * MemoryPerFileByte))
                                     .arg(megabytes(memory)));
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return openFailure(path, systemReason(file.errorString(), Direction::Reading));
    const QString noMemory = QStringLiteral("内存不足，读不下这个 %1 MB 的文件").arg(megabytes(info.size()));
    // Read to the end rather than trusting the size: files under /proc
    // report none, and a file may grow while it is read.
    ReadBuffer buffer;
    if (!buffer.reserve(qsizetype(info.size()) + 1))
        return openFailure(path, noMemory);
    for (;;) {
        if (buffer.room() == 0 && !buffer.reserve(buffer.capacity() * 2))
            return openFailure(path, noMemory);
        const qint64 read = file.read(buffer.end(), buffer.room());
        if (read < 0 || file.error() != QFileDevice::NoError)
            return openFailure(path, systemReason(file.errorString(), Direction::Reading));
        if (read == 0)
            break;
        buffer.grew(read);
    }
    file.close();
    const QByteArrayView data = buffer.bytes();

    if (rtf::looksLikeRtf(data)) {
        // The RTF reader takes whatever the bytes hold and cannot fail, so
        // the document is only touched once nothing else can go wrong.
        rtf::read(data, document, [&buffer](qsizetype consumed) { buffer.release(consumed); });
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
    if (format == Format::PlainText)
        return saveBytes(path, plaintext::encode(documentText(document)));
    // The RTF goes to the file as it is made: pictures make it twice the
    // size of their bytes, and holding it whole beside them would take
    // three times the pictures in memory.
    const QString reason = writeWholeFrom(
        path, [&document](const Put &put) { return rtf::write(document, put); }, false);
    if (!reason.isEmpty())
        return saveFailure(path, reason);
    return {};
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
    return writeWholeFrom(path, [&bytes](const Put &put) { return put(bytes); }, ownerOnly);
}

QString writeWhole(const QString &path, const Producer &produce, bool ownerOnly)
{
    return writeWholeFrom(path, produce, ownerOnly);
}

namespace {

QString writeWholeFrom(const QString &path, const Producer &produce, bool ownerOnly)
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
    const Put put = [&file](QByteArrayView bytes) {
        qint64 written = 0;
        while (written < bytes.size()) {
            const qint64 step = file.write(bytes.constData() + written, bytes.size() - written);
            if (step <= 0)
                return false;
            written += step;
        }
        return true;
    };
    if (!produce(put) || !file.flush()) {
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

} // namespace

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
