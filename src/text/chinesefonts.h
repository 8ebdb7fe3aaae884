#pragma once

#include <QStringView>

#include <span>

namespace bilan::chinesefonts {

// The kind of face a name stands for, which decides what may stand in for
// it on a system that lacks it.
enum class Style { Song, Hei, Kai, FangSong };

struct Font
{
    const char16_t *name; // as Chinese systems and manuscripts name the face
    const char *latin;    // as English systems name it; nullptr when they have no name of their own
    Style style;
};

// The Chinese font names manuscripts use. The window's substitutes and the
// RTF writer's font table both read this one list, so that a face one of
// them knows the other knows too.
std::span<const Font> all();

// The entry of a Chinese name, exactly as written, or nullptr.
const Font *byName(QStringView name);
// The entry of a Latin name in any case ("simsun" is SimSun), or nullptr.
const Font *byLatinName(QStringView name);

} // namespace bilan::chinesefonts
