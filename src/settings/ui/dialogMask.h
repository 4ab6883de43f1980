#pragma once

#include "settings/PhotoArchive.h"

#include <QDialog>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;

// The please-wait window of the archive: the program's icon and title, one
// text, and under it how many photos have been archived of how many were
// found. It blocks the program's other windows while it is shown and cannot
// be closed by the operator; it follows the archive's counters with a timer
// and hides itself when the archive has finished.
class dialogMask final : public QDialog
{
    Q_OBJECT

public:
    using ProgressSource = std::function<ArchiveProgress()>;

    explicit dialogMask(QWidget *parent);

    void SetText(const QString &text);
    QString Text() const;

    // Shows the counts of the source until it reports the archive finished.
    void Follow(ProgressSource source);

signals:
    // The archive has finished and the window is hidden.
    void Finished(int archived, int leftBehind);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void Refresh();
    void ShowProgress(const ArchiveProgress &progress);

    ProgressSource m_source;
    QTimer m_timer;
    QLabel *m_text = nullptr;
    QProgressBar *m_bar = nullptr;
    QLabel *m_count = nullptr;
};
