#include "rtfpicturereader.h"

#include "rtfpicturestore.h"
#include "rtfproperties.h"

#include <QColor>
#include <QImage>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <array>

namespace bilan::rtf {

void PictureReader::reset()
{
    m_kind = PictureKind::Other;
    m_data = QByteArray();
    m_nibble = -1;
    m_width = m_height = 0;
    m_goalWidth = m_goalHeight = 0;
    m_scaleX = m_scaleY = 100;
    m_groupStart = 0;
    m_depth = 0;
    m_metafile = false;
}

void PictureReader::begin(qsizetype groupStart, int depth, QByteArrayView rest)
{
    reset();
    m_groupStart = groupStart;
    m_depth = depth;
    // The digits run to the group's end, or to a group nested before them:
    // room for what they can hold at most, taken at once, spares a
    // photograph of a few megabytes a dozen copies as it grows.
    const qsizetype end = rest.indexOf('}');
    m_data.reserve((end < 0 ? rest.size() : end) / 2 + 1);
}

bool PictureReader::word(Keyword keyword, bool has, int p)
{
    if (!has)
        p = 0;
    switch (keyword) {
    case Keyword::PngBlip: m_kind = PictureKind::Png; break;
    case Keyword::JpegBlip: m_kind = PictureKind::Jpeg; break;
    case Keyword::EmfBlip:
    case Keyword::WindowsMetafile:
    case Keyword::Os2Metafile:
        m_kind = PictureKind::Other;
        m_metafile = true;
        break;
    case Keyword::DeviceIndependentBitmap:
    case Keyword::WindowsBitmap:
    case Keyword::MacPicture:
        m_kind = PictureKind::Other;
        m_metafile = false;
        break;
    case Keyword::PictureWidth: m_width = std::clamp(p, 0, 1 << 20); break;
    case Keyword::PictureHeight: m_height = std::clamp(p, 0, 1 << 20); break;
    case Keyword::PictureGoalWidth: m_goalWidth = std::clamp(p, 0, 10 * kMaxTwips); break;
    case Keyword::PictureGoalHeight: m_goalHeight = std::clamp(p, 0, 10 * kMaxTwips); break;
    case Keyword::PictureScaleX: m_scaleX = p > 0 ? std::min(p, 10000) : 100; break;
    case Keyword::PictureScaleY: m_scaleY = p > 0 ? std::min(p, 10000) : 100; break;
    case Keyword::SkippedDestination: return false;
    default: break;
    }
    return true;
}

namespace {

// Hex digit values by byte, 0xFF for anything else: a photograph is some
// seven million digits, and a branch per digit showed in the load time.
constexpr std::array<unsigned char, 256> kHexValues = [] {
    std::array<unsigned char, 256> values{};
    values.fill(0xFF);
    for (int c = '0'; c <= '9'; ++c)
        values[size_t(c)] = static_cast<unsigned char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        values[size_t(c)] = static_cast<unsigned char>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        values[size_t(c)] = static_cast<unsigned char>(c - 'A' + 10);
    return values;
}();

} // namespace

void PictureReader::hex(QByteArrayView text)
{
    const qsizetype old = m_data.size();
    // At most one byte for every two digits, written in place; the array
    // doubles as it grows, so a picture costs few copies.
    if (m_data.capacity() < old + text.size() / 2 + 1)
        m_data.reserve(std::max(old + text.size() / 2 + 1, old * 2));
    m_data.resize(old + text.size() / 2 + 1);
    auto *out = reinterpret_cast<unsigned char *>(m_data.data()) + old;
    unsigned char *const begin = out;
    int nibble = m_nibble;
    for (const char b : text) {
        const unsigned char v = kHexValues[static_cast<unsigned char>(b)];
        if (v == 0xFF)
            continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            *out++ = static_cast<unsigned char>((nibble << 4) | v);
            nibble = -1;
        }
    }
    m_nibble = nibble;
    m_data.resize(old + (out - begin));
}

const QString &PictureReader::placeholder(QTextDocument &document)
{
    if (m_placeholderName.isEmpty()) {
        // One neutral picture for all the kinds the editor cannot show,
        // drawn at each one's own size.
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(QColor(0xE4, 0xE4, 0xE4));
        for (int i = 0; i < 16; ++i) {
            image.setPixel(i, 0, 0xFFA0A0A0);
            image.setPixel(i, 15, 0xFFA0A0A0);
            image.setPixel(0, i, 0xFFA0A0A0);
            image.setPixel(15, i, 0xFFA0A0A0);
        }
        m_placeholderName = QStringLiteral("rtfpicture:placeholder");
        document.addResource(QTextDocument::ImageResource, QUrl(m_placeholderName), image);
    }
    return m_placeholderName;
}

std::optional<QTextImageFormat> PictureReader::finish(QByteArrayView source, qsizetype closeOffset,
                                                      const QTextCharFormat &run, QTextDocument &document,
                                                      Issues &issues)
{
    const int depth = m_depth;
    PictureKind kind = m_kind;
    QByteArray data = std::move(m_data);
    // Little room is left over when the picture filled its group.
    if (data.capacity() - data.size() > data.size() / 8)
        data.squeeze();
    const qsizetype groupStart = m_groupStart;
    const int width = m_width, height = m_height, goalWidth = m_goalWidth, goalHeight = m_goalHeight;
    const int scaleX = m_scaleX, scaleY = m_scaleY;
    const bool metafile = m_metafile;
    reset();
    m_depth = -1;
    if (depth < 0)
        return std::nullopt;

    // Only the header is read here; the picture is decoded when it is
    // first painted (PictureStore).
    QSize own;
    if (kind != PictureKind::Other) {
        own = pictureSize(data);
        if (own.isEmpty()) {
            issues |= Issue::UnreadablePicture;
            kind = PictureKind::Other;
        }
    }

    // Displayed size: the goal size, scaled; else the stored size (pixels
    // for bitmaps, hundredths of a millimetre for metafiles); else the
    // picture's own.
    const auto size = [&](int goal, int scale, int stored, int own) {
        double twips = 0;
        if (goal > 0)
            twips = goal;
        else if (stored > 0)
            twips = metafile ? stored * 1440.0 / 2540.0 : stored * double(kTwipsPerPixel);
        else if (own > 0)
            twips = own * double(kTwipsPerPixel);
        return twips * scale / 100.0;
    };
    double shownWidth = size(goalWidth, scaleX, width, own.width());
    double shownHeight = size(goalHeight, scaleY, height, own.height());
    if (shownWidth <= 0 && shownHeight > 0)
        shownWidth = own.isEmpty() ? shownHeight : shownHeight * own.width() / own.height();
    if (shownHeight <= 0 && shownWidth > 0)
        shownHeight = own.isEmpty() ? shownWidth : shownWidth * own.height() / own.width();
    if (shownWidth <= 0)
        shownWidth = shownHeight = 1440; // an inch square for a picture that gives no size at all
    const auto toPixels = [](double twips) { return std::clamp(twips / kTwipsPerPixel, 1.0, 16000.0); };

    QTextImageFormat format;
    format.merge(run);
    format.setWidth(toPixels(shownWidth));
    format.setHeight(toPixels(shownHeight));
    format.setProperty(PictureKindProperty, int(kind));
    format.setProperty(PictureWidthTwips, goalWidth > 0 ? goalWidth : qRound(shownWidth));
    format.setProperty(PictureHeightTwips, goalHeight > 0 ? goalHeight : qRound(shownHeight));
    if (scaleX != 100)
        format.setProperty(PictureScaleXPercent, scaleX);
    if (scaleY != 100)
        format.setProperty(PictureScaleYPercent, scaleY);
    if (kind != PictureKind::Other) {
        format.setName(PictureStore::of(document).add(data, QSizeF(format.width(), format.height()).toSize()));
        format.setProperty(PictureData, data);
    } else {
        format.setName(placeholder(document));
        const qsizetype start = std::clamp<qsizetype>(groupStart, 0, source.size());
        const qsizetype end = std::clamp<qsizetype>(closeOffset + 1, start, source.size());
        format.setProperty(RawPictureGroup, source.sliced(start, end - start).toByteArray());
    }
    return format;
}

} // namespace bilan::rtf
