#include "panelmodes.h"

#include "shell/form1.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextEdit>

namespace bilan {

namespace {

const QString kReferenceTooltip = QStringLiteral("请打开参考用文本、图片等");

// A group is shown or hidden element by element from index 0 upwards.
template<typename Array>
void setGroupVisible(const Array &group, bool visible)
{
    for (auto *control : group)
        control->setVisible(visible);
}

} // namespace

PanelModes::PanelModes(Form1 &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("PanelModes"));
}

void PanelModes::setPhraseLoader(std::function<void()> loader)
{
    m_phraseLoader = std::move(loader);
}

void PanelModes::setPictureLoader(std::function<void()> loader)
{
    m_pictureLoader = std::move(loader);
}

void PanelModes::switchTo(Mode mode)
{
    switch (mode) {
    case Mode::ReferenceText: referenceTextMode(); break;
    case Mode::Vocabulary: vocabularyMode(); break;
    case Mode::QuickPhrase: quickPhraseMode(); break;
    case Mode::Clipboard: clipboardMode(); break;
    case Mode::Picture: pictureMode(); break;
    }
}

void PanelModes::enableSaveOfPhrases(bool enabled)
{
    m_window.ui().toolbarButtons[std::size_t(ToolbarKey::Enter)]->setEnabled(enabled);
}

void PanelModes::setReferenceTooltip(const QString &tooltip)
{
    // Assistive technology reads the tooltip as the area's description.
    QTextEdit *area = m_window.ui().RichTextBox2;
    area->setToolTip(tooltip);
    area->setAccessibleDescription(tooltip);
}

// The watch is left as it was: text copied meanwhile keeps moving into the
// (now hidden) clipboard boards until a mode that ends the watch is chosen.
void PanelModes::pictureMode()
{
    const Form1Ui &ui = m_window.ui();
    enableSaveOfPhrases(false);
    setGroupVisible(ui.Text2, false);
    ui.TabStrip1->hide();
    setGroupVisible(ui.Text1, false);
    ui.HScroll1->setValue(0);
    ui.VScroll1->setValue(0);
    ui.HScroll1->show();
    ui.VScroll1->show();
    ui.Image1->show();
    setGroupVisible(ui.Label2, false);
    if (m_pictureLoader)
        m_pictureLoader();
}

// The term labels are left as they were: the reference text area lies in
// front of them.
void PanelModes::referenceTextMode()
{
    const Form1Ui &ui = m_window.ui();
    enableSaveOfPhrases(false);
    m_window.flags().watchClipboard = false;
    setGroupVisible(ui.Text2, false);
    setReferenceTooltip(kReferenceTooltip);
    ui.TabStrip1->hide();
    setGroupVisible(ui.Text1, false);
    ui.Image1->hide();
    ui.RichTextBox2->show();
    ui.HScroll1->hide();
    ui.VScroll1->hide();
}

void PanelModes::vocabularyMode()
{
    const Form1Ui &ui = m_window.ui();
    m_window.flags().watchClipboard = false;
    enableSaveOfPhrases(false);
    setGroupVisible(ui.Text2, false);
    ui.TabStrip1->hide();
    setGroupVisible(ui.Text1, false);
    ui.HScroll1->hide();
    ui.VScroll1->hide();
    ui.Image1->hide();
    setGroupVisible(ui.Label2, true);
    ui.RichTextBox2->hide();
}

// What the panel showed before stays behind the tab strip, which covers it.
// "保存定制" is enabled before the phrase file is read, so that boxes the
// file could not fill can still be saved.
void PanelModes::quickPhraseMode()
{
    const Form1Ui &ui = m_window.ui();
    m_window.flags().watchClipboard = false;
    enableSaveOfPhrases(true);
    setGroupVisible(ui.Text2, false);
    setReferenceTooltip(QString());
    ui.TabStrip1->show();
    setGroupVisible(ui.Text1, true);
    if (m_phraseLoader)
        m_phraseLoader();
}

// Nothing else is hidden: the boards lie over the top of the panel and the
// previous mode stays visible below the last one.
void PanelModes::clipboardMode()
{
    enableSaveOfPhrases(false);
    m_window.flags().watchClipboard = true;
    setGroupVisible(m_window.ui().Text2, true);
}

} // namespace bilan
