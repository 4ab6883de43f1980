#include "settings/ui/dialogMask.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int RefreshMs = 200;
constexpr int TextPointSize = 16;
constexpr int ContentWidth = 640;

QString CountText(const ArchiveProgress &progress)
{
    QString text = QStringLiteral("已归档 %1 / %2 张照片").arg(progress.archived).arg(progress.found);
    if (progress.leftBehind > 0)
        text += QStringLiteral("，%1 张未能移动").arg(progress.leftBehind);
    return text;
}

} // namespace

dialogMask::dialogMask(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dialogMask"));
    // A child window shows its main window's icon; the title is taken the same way.
    if (parent)
        setWindowTitle(parent->window()->windowTitle());
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowCloseButtonHint, false);

    m_text = new QLabel;
    m_text->setObjectName(QStringLiteral("maskText"));
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    QFont font = m_text->font();
    font.setPointSize(TextPointSize);
    m_text->setFont(font);

    m_bar = new QProgressBar;
    m_bar->setObjectName(QStringLiteral("archiveProgress"));
    m_bar->setFixedWidth(ContentWidth);
    m_count = new QLabel;
    m_count->setObjectName(QStringLiteral("archiveCount"));
    m_count->setAlignment(Qt::AlignCenter);

    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_text);
    layout->addSpacing(24);
    layout->addWidget(m_bar, 0, Qt::AlignHCenter);
    layout->addWidget(m_count);
    layout->addStretch();

    m_timer.setInterval(RefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &dialogMask::Refresh);
}

void dialogMask::SetText(const QString &text)
{
    m_text->setText(text);
}

QString dialogMask::Text() const
{
    return m_text->text();
}

void dialogMask::Follow(ProgressSource source)
{
    m_source = std::move(source);
    ShowProgress(ArchiveProgress{});
    m_timer.start();
}

void dialogMask::closeEvent(QCloseEvent *event)
{
    // Closing the window would not stop the archive, only hide that it runs.
    if (m_timer.isActive())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void dialogMask::reject()
{
    if (!m_timer.isActive())
        QDialog::reject();
}

void dialogMask::Refresh()
{
    const ArchiveProgress progress = m_source();
    ShowProgress(progress);
    if (!progress.finished)
        return;
    m_timer.stop();
    hide();
    emit Finished(progress.archived, progress.leftBehind);
}

void dialogMask::ShowProgress(const ArchiveProgress &progress)
{
    // With nothing found yet the bar stays empty rather than showing a busy bar.
    m_bar->setRange(0, std::max(progress.found, 1));
    m_bar->setValue(progress.Handled());
    m_count->setText(CountText(progress));
}
