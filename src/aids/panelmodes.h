#pragma once

#include <QObject>

#include <functional>

namespace bilan {

class Form1;

// The side panel's five modes. A switch only shows and hides the panel's
// control groups and sets the clipboard watch, the enabled state of
// "保存定制" and the reference text area's tooltip; it never moves or
// resizes a control. No mode is stored: the mode in force is whatever the
// last switch left visible, so the same switch always runs all its steps.
class PanelModes final : public QObject
{
    Q_OBJECT
public:
    enum class Mode { ReferenceText, Vocabulary, QuickPhrase, Clipboard, Picture };

    explicit PanelModes(Form1 &window);

    void switchTo(Mode mode);

    // The quick-phrase mode's last step (loading the phrase file) and the
    // picture mode's (choosing and showing a picture) belong to other
    // subsystems; a step without a hook does nothing.
    void setPhraseLoader(std::function<void()> loader);
    void setPictureLoader(std::function<void()> loader);

private:
    void pictureMode();
    void referenceTextMode();
    void vocabularyMode();
    void quickPhraseMode();
    void clipboardMode();

    void enableSaveOfPhrases(bool enabled);
    void setReferenceTooltip(const QString &tooltip);

    Form1 &m_window;
    std::function<void()> m_phraseLoader;
    std::function<void()> m_pictureLoader;
};

} // namespace bilan
