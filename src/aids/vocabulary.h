#pragma once

#include <QObject>
#include <QRect>
#include <QString>

namespace bilan::vocabulary {

// The vocabulary board: 149 term labels on the side panel, each showing
// the text it inserts.
inline constexpr int Count = 149;

// One line of a label is this high; each code-page-936 byte of a caption
// takes this much width (a Chinese character two bytes, ASCII one).
inline constexpr int LineHeight = 180;
inline constexpr int WidthPerByte = 90;

// The label that holds a whole sample sentence on two lines.
inline constexpr int SentenceLabel = 0;

// The caption, which is also the inserted text. Empty outside 0 to 148.
QString caption(int index);

// Width by the one-line rule: 90 per code-page-936 byte of the text.
int ruleWidth(const QString &text);

// The label's designed place on the side panel, in units of 1/1440 inch,
// relative to the panel's top-left corner: its row and left from the board
// layout, its size from the rule or from the few labels drawn wider.
// An empty rectangle outside 0 to 148.
QRect geometry(int index);

// True for the one label that wraps its caption onto two lines.
bool wraps(int index);

// The maker's address for mail, the same as the e-mail line of the board.
QString makerMailAddress();

} // namespace bilan::vocabulary

namespace bilan {

class Form1;

// The term labels at work. A click goes through the system clipboard, which
// is left holding the term so that "粘贴" can insert it again; a label takes
// no focus, so the focus stays wherever it was. Labels are clickable only
// while the vocabulary mode shows them.
class VocabularyBoard final : public QObject
{
    Q_OBJECT
public:
    explicit VocabularyBoard(Form1 &window);

    void onLabel(int index);

private:
    Form1 &m_window;
};

} // namespace bilan
