#pragma once

#include "platform/services.h"

#include <QColor>
#include <QObject>

class QWidget;

namespace bilan {

// The one common dialog of the main window. Every property keeps its value
// between uses and after a cancel; a cancel is never an error, it only
// leaves the properties as they were. Commands set the properties they need
// and rely on this memory for the rest.
class CommonDialog final : public QObject
{
    Q_OBJECT
public:
    CommonDialog(DialogBackend *backend, QWidget *owner);

    QString fileName;
    QString dialogTitle;
    QString filter;
    int filterIndex = 0;
    int flags = 0;

    QString fontName;
    double fontSize = 0;
    bool fontBold = false;
    bool fontItalic = false;
    bool fontStrikethru = false;
    bool fontUnderline = false;

    QColor color = Qt::black;

    // Each returns true when the user confirmed. A confirmed file dialog
    // also makes the chosen file's folder the current working directory.
    bool showOpen();
    bool showSave();
    bool showFont();
    bool showColor();

    FontChoice font() const;
    void setFont(const FontChoice &font);

private:
    bool showFile(bool save);

    DialogBackend *m_backend;
    QWidget *m_owner;
};

} // namespace bilan
