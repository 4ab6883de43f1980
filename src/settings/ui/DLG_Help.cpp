#include "settings/ui/DLG_Help.h"

#include "desk/ProcessState.h"
#include "desk/ui/FileDialogs.h"
#include "desk/ui/Messages.h"
#include "settings/ReprintData.h"
#include "settings/ReprintRules.h"
#include "settings/SystemSettings.h"
#include "settings/ui/dialogMask.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <initializer_list>

namespace {

constexpr int NumberFieldWidth = 120;

const QString SavedMessage = QStringLiteral("成功保存信息。");

// Folders of the program's own that can never be the archive folder.
const QStringList InternalFolderNames{QStringLiteral("Pic_P"), QStringLiteral("Pic_B"), QStringLiteral("Pic_R"),
                                      QStringLiteral("Pic_S"), QStringLiteral("Pic_T")};

QString ChooseFolderWithDialog(QWidget *parent, const QString &title)
{
    return AskFolder(parent, title);
}

QLabel *Hint(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

// A caption and its edit field on one row of a group's grid, from the given column.
QLineEdit *AddField(QGridLayout *grid, int row, const QString &caption, const QString &name)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(name);
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

template<typename Slot>
QPushButton *MakeButton(DLG_Help *page, const QString &text, const QString &name, Slot slot)
{
    auto *button = new QPushButton(text);
    button->setObjectName(name);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, page, slot);
    return button;
}

// A folder field with its "选择" button on the first row of the grid and an example below it.
template<typename Slot>
QLineEdit *AddFolderRow(DLG_Help *page, QGridLayout *grid, const QString &caption, const QString &name,
                        const QString &example, Slot choose)
{
    QLineEdit *field = AddField(grid, 0, caption, name);
    grid->addWidget(MakeButton(page, QStringLiteral("选择"), QStringLiteral("choose_") + name, choose), 0, 2);
    grid->addWidget(Hint(example), 1, 1, 1, 2);
    return field;
}

QGroupBox *MakeGroup(const QString &title, QLayout *layout)
{
    auto *group = new QGroupBox(title);
    group->setLayout(layout);
    return group;
}

// Groups stacked from the top of the page.
QVBoxLayout *Column(std::initializer_list<QGroupBox *> groups)
{
    auto *column = new QVBoxLayout;
    for (QGroupBox *group : groups)
        column->addWidget(group);
    column->addStretch();
    return column;
}

} // namespace

DLG_Help::DLG_Help(QWidget *parent)
    : QWidget(parent)
    , m_chooseFolder(ChooseFolderWithDialog)
{
    setObjectName(QStringLiteral("DLG_Help"));

    auto *columns = new QHBoxLayout(this);
    columns->addLayout(Column({CreateReprintRulesGroup(), CreatePhoneGroup()}), 1);
    columns->addLayout(Column({CreateDisplayGroup(), CreateArchiveGroup()}), 1);
    columns->addLayout(Column({CreatePhotographyGroup(), CreateSoftwareGroup()}), 1);

    // Numbers need little room; the folder fields take the rest of each row.
    for (QLineEdit *number : {m_minimum, m_maximum, m_reduction, m_thumbnailSize, m_thumbnailWaitPrintCount,
                              m_thumbnailPrintedCount, m_waitTime})
        number->setMaximumWidth(NumberFieldWidth);

    LoadValues();
}

void DLG_Help::SetFolderChooser(FolderChooser chooser)
{
    m_chooseFolder = std::move(chooser);
}

QGroupBox *DLG_Help::CreateReprintRulesGroup()
{
    auto *grid = new QGridLayout;
    m_autoReprintFolder = AddFolderRow(this, grid, QStringLiteral("信息文件目录："), QStringLiteral("autoReprintFolder"),
                                       QStringLiteral("例：/home/event/counter/info"), &DLG_Help::ChooseAutoReprintFolder);
    m_minimum = AddField(grid, 2, QStringLiteral("最小补打数量："), QStringLiteral("minimum"));
    m_maximum = AddField(grid, 3, QStringLiteral("最大补打数量："), QStringLiteral("maximum"));
    m_reduction = AddField(grid, 4, QStringLiteral("缩减数量："), QStringLiteral("reduction"));
    grid->addWidget(Hint(QStringLiteral("缩减数量： 小于0则不减少， 0：减一半，大于0则减相应数量；最终数值，减完少于0则得0；")), 5, 0,
                    1, 3);
    grid->addWidget(Hint(QStringLiteral("最大补打数量设置为0时，则不设上限。")), 6, 0, 1, 3);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(MakeButton(this, QStringLiteral("默认设置"), QStringLiteral("defaultRules"), &DLG_Help::FillDefaultRules));
    buttons->addWidget(MakeButton(this, QStringLiteral("保存"), QStringLiteral("saveRules"), &DLG_Help::SaveRules));
    grid->addLayout(buttons, 7, 0, 1, 3);
    return MakeGroup(QStringLiteral("自动补打设置"), grid);
}

QGroupBox *DLG_Help::CreatePhoneGroup()
{
    auto *grid = new QGridLayout;
    m_phoneFolder = AddFolderRow(this, grid, QStringLiteral("信息文件目录："), QStringLiteral("phoneFolder"),
                                 QStringLiteral("例：/home/event/phone/addprint"), &DLG_Help::ChoosePhoneFolder);
    return MakeGroup(QStringLiteral("手机端补打设置"), grid);
}

QGroupBox *DLG_Help::CreateDisplayGroup()
{
    auto *grid = new QGridLayout;
    m_thumbnailSize = AddField(grid, 0, QStringLiteral("缩略图大小："), QStringLiteral("thumbnailSize"));
    m_thumbnailWaitPrintCount = AddField(grid, 1, QStringLiteral("待打印缩略图数量："), QStringLiteral("thumbnailWaitPrintCount"));
    m_thumbnailPrintedCount = AddField(grid, 2, QStringLiteral("已打印缩略图数量："), QStringLiteral("thumbnailPrintedCount"));
    grid->addWidget(Hint(QStringLiteral("缩略图大小设置区间在1-15，默认设置为3，建议设置为6；缩略图数量过多会造成系统显示异常，"
                                        "建议设置为1000以内，默认为500。")),
                    3, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(MakeButton(this, QStringLiteral("保存"), QStringLiteral("saveDisplay"), &DLG_Help::SaveDisplay));
    grid->addLayout(buttons, 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return MakeGroup(QStringLiteral("显示设置"), grid);
}

QGroupBox *DLG_Help::CreateArchiveGroup()
{
    auto *grid = new QGridLayout;
    m_archiveFolder = AddFolderRow(this, grid, QStringLiteral("保存目录："), QStringLiteral("archiveFolder"),
                                   QStringLiteral("例：/media/backup/VelloraArchive"), &DLG_Help::ChooseArchiveFolder);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(MakeButton(this, QStringLiteral("归档"), QStringLiteral("archive"), &DLG_Help::Archive));
    grid->addLayout(buttons, 2, 0, 1, 3);
    return MakeGroup(QStringLiteral("照片文件归档"), grid);
}

QGroupBox *DLG_Help::CreatePhotographyGroup()
{
    auto *column = new QVBoxLayout;
    m_clearButton = MakeButton(this, QStringLiteral("清空补打数据"), QStringLiteral("clearReprintData"), &DLG_Help::ClearReprintData);
    column->addWidget(m_clearButton, 0, Qt::AlignLeft);
    m_captureOnTop = new QCheckBox(QStringLiteral("拍照程序置顶"));
    m_captureOnTop->setObjectName(QStringLiteral("captureOnTop"));
    connect(m_captureOnTop, &QCheckBox::clicked, this, [](bool checked) { SystemSettings::SaveCaptureOnTop(checked); });
    column->addWidget(m_captureOnTop);
    return MakeGroup(QStringLiteral("互动拍照"), column);
}

QGroupBox *DLG_Help::CreateSoftwareGroup()
{
    auto *grid = new QGridLayout;
    m_waitTime = AddField(grid, 0, QStringLiteral("自动打印等待时间："), QStringLiteral("waitTime"));
    grid->addWidget(new QLabel(QStringLiteral("秒")), 0, 2);
    grid->setColumnStretch(3, 1);
    // The group's hint line: what became of a wait time not taken as typed.
    m_waitHint = new QLabel;
    m_waitHint->setObjectName(QStringLiteral("waitHint"));
    grid->addWidget(m_waitHint, 1, 0, 1, 4);
    // Only the operator's typing is stored; filling the field on opening is not a change.
    connect(m_waitTime, &QLineEdit::textEdited, this, [](const QString &text) { SystemSettings::EditWaitTime(text); });
    connect(m_waitTime, &QLineEdit::editingFinished, this, [this] {
        const CheckedNumber checked = SystemSettings::CommitWaitTime(m_waitTime->text());
        m_waitTime->setText(QString::number(PrintDelaySeconds));
        m_waitHint->setText(checked.message);
    });
    return MakeGroup(QStringLiteral("软件设置"), grid);
}

void DLG_Help::LoadValues()
{
    // The rules file fills the fields only; the rules in force stay as loaded at start-up.
    const StoredReprintRules stored = ReadReprintRulesFile();
    if (stored.folder)
        m_autoReprintFolder->setText(*stored.folder);
    if (stored.minimum)
        m_minimum->setText(QString::number(*stored.minimum));
    if (stored.maximum)
        m_maximum->setText(QString::number(*stored.maximum));
    if (stored.reduction)
        m_reduction->setText(QString::number(*stored.reduction));

    if (const QString folder = SystemSettings::PhoneReprintFolder(); !folder.isEmpty())
        m_phoneFolder->setText(folder);
    if (const QString folder = SystemSettings::ArchiveFolder(); !folder.isEmpty())
        m_archiveFolder->setText(folder);

    m_thumbnailSize->setText(QString::number(SystemSettings::ThumbnailSize()));
    m_thumbnailWaitPrintCount->setText(QString::number(SystemSettings::ThumbnailWaitPrintCount()));
    m_thumbnailPrintedCount->setText(QString::number(SystemSettings::ThumbnailPrintedCount()));

    m_captureOnTop->setChecked(SystemSettings::ReadStored(SystemSettings::CaptureOnTopKey, QStringLiteral("0"))
                               != QStringLiteral("0"));

    // The wait in force: what the file held, checked at start-up (a stored "0" keeps the built-in 2 seconds).
    m_waitTime->setText(QString::number(PrintDelaySeconds));
}

void DLG_Help::ChooseAutoReprintFolder()
{
    const QString folder = m_chooseFolder(this, QStringLiteral("请选择Zendrik信息文件存放的目录."));
    if (!folder.isEmpty())
        m_autoReprintFolder->setText(folder);
}

void DLG_Help::ChoosePhoneFolder()
{
    const QString folder = m_chooseFolder(this, QStringLiteral("请选择 Vellora | Transmission 信息文件存放的目录."));
    if (folder.isEmpty())
        return;
    m_phoneFolder->setText(folder);
    SystemSettings::SavePhoneReprintFolder(folder);
}

void DLG_Help::ChooseArchiveFolder()
{
    const QString folder = m_chooseFolder(this, QStringLiteral("请选择一个文件夹："));
    if (folder.isEmpty())
        return;
    // Archiving into a working folder would move photos into the folder being emptied.
    for (const QString &internal : InternalFolderNames) {
        if (folder.contains(internal)) {
            ShowNotice(this, QStringLiteral("不能选择软件内部目录，请重新选择。"));
            return;
        }
    }
    SystemSettings::SaveArchiveFolder(folder);
    m_archiveFolder->setText(folder);
}

void DLG_Help::FillDefaultRules()
{
    m_minimum->setText(QString::number(DefaultMinimum));
    m_maximum->setText(QString::number(DefaultMaximum));
    m_reduction->setText(QString::number(DefaultReduction));
}

void DLG_Help::SaveRules()
{
    const ReprintRulesTexts texts{m_autoReprintFolder->text(), m_minimum->text(), m_maximum->text(), m_reduction->text()};
    const ReprintRulesSave save = SaveReprintRules(texts);
    if (!save)
        return;
    // The fields show what was taken, and the notice says what was not taken as typed.
    m_minimum->setText(save.used.minimum);
    m_maximum->setText(save.used.maximum);
    m_reduction->setText(save.used.reduction);
    ShowNotice(this, (QStringList{SavedMessage} + save.messages).join(u'\n'));
}

void DLG_Help::SaveDisplay()
{
    // The fields show what was taken, and the notice says what was not taken as typed.
    QStringList messages{SavedMessage};
    const auto save = [&messages](QLineEdit *field, CheckedNumber (*saveValue)(const QString &), int (*value)()) {
        const CheckedNumber checked = saveValue(field->text());
        field->setText(QString::number(value()));
        if (!checked.message.isEmpty())
            messages.append(checked.message);
    };
    const int sizeInForce = SystemSettings::ThumbnailSize();
    save(m_thumbnailSize, SystemSettings::SaveThumbnailSize, SystemSettings::ThumbnailSize);
    save(m_thumbnailWaitPrintCount, SystemSettings::SaveThumbnailWaitPrintCount, SystemSettings::ThumbnailWaitPrintCount);
    save(m_thumbnailPrintedCount, SystemSettings::SaveThumbnailPrintedCount, SystemSettings::ThumbnailPrintedCount);
    // The lists' rows take their height when the window opens.
    if (SystemSettings::ThumbnailSize() != sizeInForce)
        messages.append(QStringLiteral("新的缩略图大小在重新启动软件后生效。"));
    ShowNotice(this, messages.join(u'\n'));
}

void DLG_Help::Archive()
{
    // Archiving while photos are printed would move them away under the
    // printers; a second archive at once would race the first for the files.
    const QString folder = SystemSettings::ArchiveFolder();
    if (AutoPrintRunning || folder.isEmpty() || m_archive.Running())
        return;
    if (!AskYesNo(this, QStringLiteral("确定要将软件目录内的照片进行归档处理吗？")))
        return;

    if (!m_mask) {
        m_mask = new dialogMask(this);
        connect(m_mask, &dialogMask::Finished, this, &DLG_Help::FinishArchive);
    }
    m_mask->showMaximized();
    m_mask->SetText(QStringLiteral("正在照片归档操作，请耐心等待，期间不要关闭软件....."));
    m_archive.Start(folder.toStdString());
    m_mask->Follow([this] { return m_archive.Progress(); });
}

void DLG_Help::FinishArchive(int archived, int leftBehind)
{
    // Photos that could not be moved are still in the working folders; the
    // operator must know before the program starts again.
    if (leftBehind == 0)
        ShowNotice(this, QStringLiteral("完成照片归档操作，请重启软件。"));
    else
        ShowNotice(this, QStringLiteral("照片归档操作结束，有 %1 张照片未能移动，仍留在软件目录内，请检查后重启软件。")
                             .arg(leftBehind));
    emit ArchiveFinished(archived, leftBehind);
}

void DLG_Help::ClearReprintData()
{
    if (!AskYesNo(this, QStringLiteral("确定要删除增加打印信息目录内的全部文件吗？")))
        return;

    // Deleting pauses after every file, so it runs on a worker thread of its
    // own; the button waits until it is done, so two runs never overlap.
    m_clearButton->setEnabled(false);
    m_clearing.Start([page = QPointer<DLG_Help>(this)]() mutable {
        const int deleted = ::ClearReprintData();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [page = std::move(page), deleted] {
                if (page)
                    page->FinishClearing(deleted);
            },
            Qt::QueuedConnection);
    });
}

void DLG_Help::FinishClearing(int deleted)
{
    m_clearButton->setEnabled(true);
    emit ReprintDataCleared(deleted);
}
