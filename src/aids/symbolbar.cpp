#include "symbolbar.h"

#include "shell/caret.h"
#include "shell/form1.h"

#include <QPushButton>
#include <QTextEdit>

#include <array>

namespace bilan::symbolbar {

namespace {

struct Button
{
    const char16_t *caption;
    const char16_t *inserted;
    int slot;
};

// By index. The slots were given out as buttons were added, which is why
// “” (23) sits between ！ and （）, and = / — pF between their neighbours.
constexpr std::array<Button, Count> kButtons = {{
    {u"，", u"，", 0},
    {u"。", u"。", 1},
    {u"、", u"、", 2},
    {u"；", u"；", 3},
    {u"：", u"：", 4},
    {u"？", u"？", 5},
    {u"！", u"！", 6},
    {u"（）", u"（）", 8},
    {u"…", u"…", 9},
    {u"《》", u"《》", 10},
    {u"～", u"～", 11},
    {u"·", u"·", 12},
    {u"＋", u"+", 13},
    {u"－", u"-", 14},
    {u"×", u"×", 15},
    {u"÷", u"÷", 16},
    {u"/", u"/", 18},
    {u"μF", u"μF", 20},
    {u"Ω", u"Ω", 22},
    {u"KΩ", u"KΩ", 23},
    {u"—", u"—", 19},
    {u"=", u"=", 17},
    {u"pF", u"pF", 21},
    {u"“”", u"“”", 7},
}};

const Button *button(int index)
{
    if (index < 0 || index >= Count)
        return nullptr;
    return &kButtons[std::size_t(index)];
}

} // namespace

QString caption(int index)
{
    const Button *b = button(index);
    return b ? QString::fromUtf16(b->caption) : QString();
}

QString insertedText(int index)
{
    const Button *b = button(index);
    return b ? QString::fromUtf16(b->inserted) : QString();
}

int slot(int index)
{
    const Button *b = button(index);
    return b ? b->slot : -1;
}

int left(int index)
{
    const Button *b = button(index);
    return b ? FirstLeft + Pitch * b->slot : 0;
}

} // namespace bilan::symbolbar

namespace bilan {

SymbolBar::SymbolBar(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("SymbolBar"));
    for (QPushButton *button : window.ui().Command1) {
        const int index = button->property("index").toInt();
        connect(button, &QPushButton::clicked, this, [this, index] { onButton(index); });
    }
}

void SymbolBar::onButton(int index)
{
    const QString text = symbolbar::insertedText(index);
    if (text.isEmpty())
        return;
    QTextEdit *manuscript = m_window.ui().RichTextBox1;
    manuscript->setFocus(Qt::OtherFocusReason);
    insertAtCaret(manuscript, text);
}

} // namespace bilan
