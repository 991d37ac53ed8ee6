#include "tfrmcopymoveprogress.h"

#include "filedescriptor.h"
#include "filetransfer.h"
#include "fileutils.h"
#include "fixeddialog.h"
#include "longoperation.h"
#include "mainwindowregistry.h"
#include "prompts.h"
#include "showoserror.h"
#include "tagerror.h"
#include "tfileinfo.h"
#include "tplaylistmodel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

#include <cerrno>

#include <fcntl.h>

namespace {

QString PathText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QLabel* BoldLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QLabel* PathLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    // A long path must not widen the window; it is elided in the middle.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

} // namespace

TfrmCopyMoveProgress::TfrmCopyMoveProgress(Prompts& prompts, TPlaylistModel& rows,
                                           QItemSelectionModel& selection, bool isMove,
                                           const std::string& destFolder, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
    , m_prompts(prompts)
    , m_rows(rows)
    , m_selection(selection)
    , m_isMove(isMove)
    , m_destFolder(WithTrailingSeparator(destFolder))
{
    setObjectName(QStringLiteral("frmCopyMoveProgress"));
    setWindowTitle(isMove ? QStringLiteral("Moving files ...") : QStringLiteral("Copy files ..."));
    setFixedSize(530, 146);

    lbl1 = BoldLabel(QStringLiteral("Source:"), "lbl1", this);
    lblSource = PathLabel("lblSource", this);
    lbl2 = BoldLabel(QStringLiteral("Destination:"), "lbl2", this);
    lblDestination = PathLabel("lblDestination", this);
    lblStatus = BoldLabel(QStringLiteral("Status"), "lblStatus", this);
    // The active caption colour; a widget's own style sheet outranks the skin's.
    lblStatus->setStyleSheet(QStringLiteral("color: palette(highlight);"));

    pbprogress = new QProgressBar(this);
    pbprogress->setObjectName(QStringLiteral("pbprogress"));
    pbprogress->setTextVisible(false);

    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setDefault(true);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmCopyMoveProgress::btnCancelClick);

    auto* grid = new QGridLayout(this);
    grid->setColumnStretch(1, 1);
    grid->addWidget(lbl1, 0, 0);
    grid->addWidget(lblSource, 0, 1);
    grid->addWidget(lbl2, 1, 0);
    grid->addWidget(lblDestination, 1, 1);
    grid->addWidget(lblStatus, 2, 0, 1, 2);
    grid->addWidget(pbprogress, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    grid->addLayout(buttons, 4, 0, 1, 2);
    btnCancel->setFocus();
}

void TfrmCopyMoveProgress::Refresh(bool now)
{
    constexpr qint64 kRefreshMs = 40;
    if (!now && m_lastRefresh.isValid() && m_lastRefresh.elapsed() < kRefreshMs)
        return;
    RemoveMovedRows();
    for (auto [label, path] : {std::pair{lblSource, &m_source}, std::pair{lblDestination, &m_destination}}) {
        const QString text = PathText(*path);
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width()));
        label->setToolTip(text);
    }
    pbprogress->setValue(m_done);
    QApplication::processEvents();
    m_lastRefresh.restart();
}

void TfrmCopyMoveProgress::RemoveMovedRows()
{
    if (m_movedCount == 0)
        return;
    m_rows.removeRows(m_movedFirst, m_movedCount);
    m_row -= m_movedCount;
    m_movedCount = 0;
}

void TfrmCopyMoveProgress::CopyMoveSelected()
{
    m_failures.clear();
    CopyMoveRows();
    if (m_failures.empty())
        return;
    constexpr std::size_t kListed = 10;
    QString text = QString::number(m_failures.size())
                   + (m_isMove ? QStringLiteral(" file(s) could not be moved:")
                               : QStringLiteral(" file(s) could not be copied:"));
    for (std::size_t i = 0; i < m_failures.size() && i < kListed; ++i)
        text += QLatin1Char('\n') + PathText(m_failures[i].path) + QStringLiteral(" - ")
                + QString::fromStdString(SystemErrorText(m_failures[i].code));
    if (m_failures.size() > kListed)
        text += QStringLiteral("\nand %1 more").arg(m_failures.size() - kListed);
    m_prompts.showError(QStringLiteral("Error"), text);
}

bool TfrmCopyMoveProgress::RefuseSource(const std::string& source, int code)
{
    // Looked at only after a failure, so that the files that go well cost
    // nothing more. A dangling link is moved as a link, not refused.
    int reason = NotRegularReason(source);
    if (reason == 0 && code == EACCES && !OpenRegularFile(source, O_RDONLY).valid())
        reason = errno;
    if (reason == 0)
        return false;
    m_failures.push_back(Failure{source, reason});
    return true;
}

void TfrmCopyMoveProgress::CopyMoveRows()
{
    pbprogress->setRange(0, static_cast<int>(m_selection.selectedRows().size()));
    pbprogress->setValue(0);
    m_done = 0;
    m_transferred = 0;
    // A Cancel pressed while the window was coming up counts: the flag is
    // not cleared here.
    m_lastRefresh.invalidate();
    m_row = 0;
    m_movedCount = 0;
    // The rows of moved files go also when the run ends early.
    struct Finish {
        TfrmCopyMoveProgress& frm;
        ~Finish() { frm.Refresh(true); }
    } finish{*this};
    while (m_row < m_rows.Count()) {
        const TFileInfo* info = m_rows.FileAt(m_row);
        if (!info || !m_selection.isRowSelected(m_row, QModelIndex())) {
            ++m_row;
            continue;
        }
        if (m_cancelled)
            break;
        m_source = info->FullPath();
        m_destination = m_destFolder + info->FileName();
        Refresh(false);

        const CopyResult result = CopyOneFile(m_source, m_destination);
        if (result == CopyResult::Failed)
            break;
        // A refused source keeps its row, as a skipped one does.
        if (m_isMove && result == CopyResult::Copied) {
            if (m_sourceLeft && !DeleteSourceFile(m_source))
                break;
            if (m_moved)
                m_moved(m_source, m_destination);
            // The row goes with the next refresh, together with its moved
            // neighbours: removing rows one by one costs more than the moves.
            if (m_movedCount > 0 && m_movedFirst + m_movedCount != m_row)
                RemoveMovedRows();
            if (m_movedCount == 0)
                m_movedFirst = m_row;
            ++m_movedCount;
        }
        m_transferred += result == CopyResult::Copied ? 1 : 0;
        ++m_row;
        ++m_done;
        Refresh(false);
    }
}

TfrmCopyMoveProgress::CopyResult TfrmCopyMoveProgress::CopyOneFile(const std::string& source,
                                                                   const std::string& destination)
{
    bool overwrite = !m_neverOverwrite;
    int code = 0;
    if (!m_alwaysOverwrite && !m_neverOverwrite) {
        if (CopyFileLong(source, destination, true, code))
            return CopyResult::Copied;
        if (code != EEXIST && RefuseSource(source, code))
            return CopyResult::Refused;
        if (code != EEXIST) {
            Refresh(true);
            ShowOsError(m_prompts, code);
            return CopyResult::Failed;
        }
        Refresh(true);
        const QString question = QStringLiteral("File \"") + PathText(destination)
                                 + QStringLiteral("\" already exists\nOverride?");
        switch (m_prompts.askOverwrite(QStringLiteral("Warning"), question)) {
        case PromptAnswer::Yes:
            overwrite = true;
            break;
        case PromptAnswer::No:
            overwrite = false;
            break;
        case PromptAnswer::NoToAll:
            m_neverOverwrite = true;
            overwrite = false;
            break;
        case PromptAnswer::YesToAll:
            m_alwaysOverwrite = true;
            overwrite = true;
            break;
        default:
            return CopyResult::Failed;
        }
    }
    if (CopyFileLong(source, destination, !overwrite, code))
        return CopyResult::Copied;
    if (code == EEXIST && !overwrite)
        return CopyResult::Skipped;
    if (RefuseSource(source, code))
        return CopyResult::Refused;
    Refresh(true);
    ShowOsError(m_prompts, code);
    return CopyResult::Failed;
}

bool TfrmCopyMoveProgress::CopyFileLong(const std::string& source, const std::string& destination,
                                        bool failIfExists, int& errorCode)
{
    // A big file keeps the window painted; Cancel counts from the next file.
    const auto afterChunk = [this] { Refresh(false); };
    m_sourceLeft = true;
    errorCode = m_isMove ? MoveFileSafely(source, destination, !failIfExists, m_sourceLeft, afterChunk)
                         : CopyFileSafely(source, destination, !failIfExists, false, afterChunk);
    return errorCode == 0;
}

bool TfrmCopyMoveProgress::DeleteSourceFile(const std::string& source)
{
    int code = 0;
    if (DeleteFileLong(source, code))
        return true;
    Refresh(true);
    m_prompts.showError(QStringLiteral("Error"),
                        QStringLiteral("Cannot remove file\nError:")
                            + QString::fromStdString(SystemErrorText(code)));
    return false;
}

void TfrmCopyMoveProgress::closeEvent(QCloseEvent* event)
{
    if (m_allowClose)
        event->accept();
    else
        event->ignore();
}

void TfrmCopyMoveProgress::reject()
{
    btnCancel->click();
}

void TfrmCopyMoveProgress::btnCancelClick()
{
    m_cancelled = true;
}

int RunCopyMove(Prompts& prompts, TPlaylistModel& rows, QItemSelectionModel& selection, bool isMove,
                 const std::string& destination, TfrmCopyMoveProgress::MovedHook moved)
{
    TfrmCopyMoveProgress frm(prompts, rows, selection, isMove, destination);
    frm.SetMovedHook(std::move(moved));
    // Afterwards the main window is enabled and active again, with the focus
    // where it was.
    struct Restore {
        TfrmCopyMoveProgress& frm;
        ~Restore()
        {
            frm.SetAllowClose(true);
            HideOperationWindow(frm);
            frm.close();
            EnableMainWindow(true);
        }
    } restore{frm};
    // Closing the main window meanwhile presses Cancel; it closes once the run has ended.
    const LongOperation running([&frm] { frm.btnCancel->click(); });
    // Not a child of the main window, which is disabled, yet kept above it.
    if (QWidget* main = MainWindow()) {
        frm.winId();
        frm.windowHandle()->setTransientParent(main->window()->windowHandle());
    }
    CenterOnMainWindow(frm);
    frm.show();
    frm.raise();
    EnableMainWindow(false);
    QApplication::processEvents();
    frm.activateWindow();
    try {
        frm.CopyMoveSelected();
    } catch (...) {
        // An unexpected failure ends the run without a message.
    }
    return frm.FilesTransferred();
}
