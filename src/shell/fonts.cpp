#include "fonts.h"

#include "text/chinesefonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QSet>
#include <QStringList>

namespace bilan {

namespace {

using chinesefonts::Style;

// Free CJK faces that Linux distributions ship, by kind. The monospaced
// ones come last: their ASCII is narrower, but they draw full-width
// punctuation such as “” and … at half width, which the symbol bar cannot
// afford.
const QStringList &monospacedFaces()
{
    static const QStringList faces = {
        QStringLiteral("Noto Sans Mono CJK SC"),
        QStringLiteral("Source Han Mono SC"),
        QStringLiteral("WenQuanYi Micro Hei Mono"),
        QStringLiteral("WenQuanYi Zen Hei Mono"),
    };
    return faces;
}

const QStringList &serifFaces()
{
    static const QStringList faces = {
        QStringLiteral("Noto Serif CJK SC"),  QStringLiteral("Source Han Serif SC"),
        QStringLiteral("Source Han Serif CN"), QStringLiteral("AR PL UMing CN"),
        QStringLiteral("AR PL SungtiL GB"),   QStringLiteral("AR PL New Sung"),
    };
    return faces;
}

const QStringList &sansFaces()
{
    static const QStringList faces = {
        QStringLiteral("Noto Sans CJK SC"),   QStringLiteral("Source Han Sans SC"),
        QStringLiteral("Source Han Sans CN"), QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("WenQuanYi Zen Hei"),  QStringLiteral("Droid Sans Fallback"),
    };
    return faces;
}

const QStringList &kaiFaces()
{
    static const QStringList faces = {
        QStringLiteral("AR PL UKai CN"),
        QStringLiteral("AR PL KaitiM GB"),
        QStringLiteral("AR PL ZenKai Uni"),
    };
    return faces;
}

// Closest in look first.
QStringList preferredFaces(Style style)
{
    switch (style) {
    case Style::Song: return serifFaces() + sansFaces() + monospacedFaces() + kaiFaces();
    case Style::Hei: return sansFaces() + serifFaces() + monospacedFaces() + kaiFaces();
    case Style::Kai: return kaiFaces() + serifFaces() + sansFaces() + monospacedFaces();
    case Style::FangSong: return serifFaces() + kaiFaces() + sansFaces() + monospacedFaces();
    }
    return {};
}

} // namespace

void installFontSubstitutes()
{
    const QStringList families = QFontDatabase::families();
    QSet<QString> installed;
    for (const QString &family : families)
        installed.insert(family.toCaseFolded());

    // Any other face that covers Simplified Chinese comes after the known
    // ones, so that an unfamiliar system still renders the text in one face.
    QStringList otherChinese;
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString &family : chinese) {
        if (!QFontDatabase::isPrivateFamily(family))
            otherChinese.append(family);
    }

    // Each face by its Chinese name and by the name English systems give it.
    for (const chinesefonts::Font &font : chinesefonts::all()) {
        for (const QString &name : {QString::fromUtf16(font.name), QString::fromLatin1(font.latin)}) {
            if (name.isEmpty() || installed.contains(name.toCaseFolded()))
                continue;
            QStringList substitutes;
            for (const QString &face : preferredFaces(font.style)) {
                if (installed.contains(face.toCaseFolded()) && !substitutes.contains(face))
                    substitutes.append(face);
            }
            for (const QString &face : std::as_const(otherChinese)) {
                if (!substitutes.contains(face, Qt::CaseInsensitive))
                    substitutes.append(face);
            }
            if (!substitutes.isEmpty())
                QFont::insertSubstitutions(name, substitutes);
        }
    }
}

} // namespace bilan
