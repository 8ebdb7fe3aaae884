#pragma once

#include <QObject>

namespace bilan {

class Form1;
class RecoveryCopy;

// After a start, offers back the copies that programs which did not end
// deliberately left in the recovery folder, newest first, once the main
// window is shown. Yes puts one into the manuscript; No asks once more
// and then deletes it; Esc or the close box leave it for the next start.
class RecoveryOffer final : public QObject
{
    Q_OBJECT
public:
    RecoveryOffer(Form1 &window, RecoveryCopy &keeper, const QString &folder);

    // The questions, one copy after another; runs once.
    void offer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Form1 &m_window;
    RecoveryCopy &m_keeper;
    QString m_folder;
    bool m_done = false;
};

} // namespace bilan
