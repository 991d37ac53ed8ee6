#include "tbatchwizard.h"

#include "fixeddialog.h"
#include "longoperation.h"
#include "playlistrows.h"
#include "prompts.h"
#include "tnamepattern.h"
#include "tpreviewmodel.h"
#include "writebatch.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// How long a preview build runs before it shows its gauge and lets events run.
constexpr qint64 kQuietBuildMs = 300;
// How often long loops let pending events run.
constexpr qint64 kEventsIntervalMs = 40;

QFrame* Line(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QWidget* NewPage(QStackedWidget* pages, const char* name)
{
    auto* page = new QWidget(pages);
    page->setObjectName(QString::fromLatin1(name));
    pages->addWidget(page);
    return page;
}

} // namespace

TBatchWizard::TBatchWizard(Prompts& prompts, const QString& caption, std::array<QString, 5> titles,
                           QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
    , m_prompts(prompts)
    , m_titles(std::move(titles))
{
    setWindowTitle(caption);
    setFixedSize(640, 440);

    labPageTitle = new QLabel(this);
    labPageTitle->setObjectName(QStringLiteral("labPageTitle"));
    QFont titleFont = labPageTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    labPageTitle->setFont(titleFont);

    // A notebook without tabs.
    pages = new QStackedWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    tsInfo = NewPage(pages, "tsInfo");
    tsSettings = NewPage(pages, "tsSettings");
    tsPreview = NewPage(pages, "tsPreview");
    tsRunning = NewPage(pages, "tsRunning");
    tsFinish = NewPage(pages, "tsFinish");

    memInfo = new QPlainTextEdit(tsInfo);
    memInfo->setObjectName(QStringLiteral("memInfo"));
    memInfo->setReadOnly(true);
    memInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* info = new QVBoxLayout(tsInfo);
    info->setContentsMargins(0, 0, 0, 0);
    info->addWidget(memInfo);

    pbProgress = new QProgressBar(tsRunning);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setRange(0, 1);
    pbProgress->setValue(0);
    auto* running = new QVBoxLayout(tsRunning);
    running->addStretch(1);
    running->addWidget(pbProgress);
    running->addStretch(1);

    labResult = new QLabel(tsFinish);
    labResult->setObjectName(QStringLiteral("labResult"));
    labResult->setTextFormat(Qt::PlainText);
    labResult->setWordWrap(true);
    lvFailures = new QTreeView(tsFinish);
    lvFailures->setObjectName(QStringLiteral("lvFailures"));
    lvFailures->setAccessibleName(QStringLiteral("Failures"));
    lvFailures->setRootIsDecorated(false);
    lvFailures->setUniformRowHeights(true);
    lvFailures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFailures->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFailures->hide();
    auto* finish = new QVBoxLayout(tsFinish);
    finish->setContentsMargins(0, 0, 0, 0);
    finish->addWidget(labResult);
    finish->addWidget(lvFailures, 1);
    finish->addStretch(0);

    pbReading = new QProgressBar(this);
    pbReading->setObjectName(QStringLiteral("pbReading"));
    pbReading->setFixedWidth(180);
    pbReading->setFormat(QStringLiteral("Reading %v of %m"));
    pbReading->hide();

    labMissing = new QLabel(this);
    labMissing->setObjectName(QStringLiteral("labMissing"));
    labMissing->setTextFormat(Qt::PlainText);
    labMissing->setWordWrap(true);
    labMissing->hide();

    actNext = new QAction(QStringLiteral("&Next >"), this);
    actNext->setObjectName(QStringLiteral("actNext"));
    btnBack = new QPushButton(QStringLiteral("< &Back"), this);
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnBack->setAutoDefault(false);
    btnNext = new QPushButton(actNext->text(), this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pbReading);
    buttons->addStretch(1);
    buttons->addWidget(btnBack);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labPageTitle);
    layout->addWidget(Line(this));
    layout->addWidget(pages, 1);
    layout->addWidget(labMissing);
    layout->addWidget(Line(this));
    layout->addLayout(buttons);

    // The button shows its action.
    connect(actNext, &QAction::changed, btnNext, [this] {
        btnNext->setText(actNext->text());
        btnNext->setEnabled(actNext->isEnabled());
    });
    connect(btnNext, &QPushButton::clicked, actNext, &QAction::trigger);
    connect(actNext, &QAction::triggered, this, &TBatchWizard::actNextExecute);
    connect(btnBack, &QPushButton::clicked, this, &TBatchWizard::btnBackClick);
    connect(btnCancel, &QPushButton::clicked, this, &TBatchWizard::reject);
    connect(pages, &QStackedWidget::currentChanged, this, &TBatchWizard::pagesPageChanged);
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TBatchWizard::UpdateWizardButtons);
}

TBatchWizard::~TBatchWizard() = default;

int TBatchWizard::CurrentPage() const
{
    return pages->currentIndex();
}

void TBatchWizard::SetIntroduction(const QStringList& lines)
{
    memInfo->setPlainText(lines.join(QLatin1Char('\n')));
}

QTableView* TBatchWizard::NewPreviewList(TPreviewModel* model, bool gridLines, const std::vector<int>& widths)
{
    auto* list = new QTableView(tsPreview);
    list->setObjectName(QStringLiteral("lvFiles"));
    list->setAccessibleName(QStringLiteral("Preview"));
    list->setModel(model);
    list->setShowGrid(gridLines);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setWordWrap(false);
    // Rows of one height are laid out at once, however many there are.
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->horizontalHeader()->setStretchLastSection(true);
    for (std::size_t column = 0; column < widths.size(); ++column)
        list->setColumnWidth(static_cast<int>(column), widths[column]);
    auto* page = new QVBoxLayout(tsPreview);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(list);
    return list;
}

std::vector<int> TBatchWizard::RowsInScope(const PlaylistRows& playlist, bool selectedOnly)
{
    if (selectedOnly)
        return playlist.SelectedRows();
    std::vector<int> rows(static_cast<std::size_t>(playlist.Count()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<int>(i);
    return rows;
}

void TBatchWizard::UpdatePageTitle()
{
    labPageTitle->setText(PageTitle(CurrentPage()));
}

void TBatchWizard::UpdateWizardButtons()
{
    const int page = CurrentPage();
    btnBack->setVisible(page != InfoPage && page != FinishPage);
    btnBack->setEnabled(page != RunningPage && !m_building);
    btnCancel->setVisible(page != FinishPage);
    btnCancel->setEnabled(page != RunningPage && page != FinishPage);
    switch (page) {
    case SettingsPage:
        actNext->setText(QStringLiteral("&Preview >"));
        break;
    case PreviewPage:
        actNext->setText(QStringLiteral("&Go !"));
        break;
    case FinishPage:
        actNext->setText(QStringLiteral("&Finish"));
        break;
    default:
        actNext->setText(QStringLiteral("&Next >"));
        break;
    }
    actNextUpdate();
}

void TBatchWizard::actNextUpdate()
{
    bool enabled = false;
    QString missing;
    switch (CurrentPage()) {
    case InfoPage:
    case FinishPage:
        enabled = true;
        break;
    case SettingsPage:
        missing = SettingsMissing();
        enabled = !m_building && missing.isEmpty();
        break;
    case PreviewPage:
        enabled = PreviewComplete();
        break;
    default:
        break;
    }
    actNext->setEnabled(enabled);
    if (labMissing->text() != missing)
        labMissing->setText(missing);
    labMissing->setVisible(!missing.isEmpty());
}

void TBatchWizard::pagesPageChanged()
{
    UpdatePageTitle();
    UpdateWizardButtons();
}

void TBatchWizard::ShowFirstPage()
{
    pages->setCurrentIndex(InfoPage);
    UpdatePageTitle();
    UpdateWizardButtons();
}

void TBatchWizard::ShowPage(int page)
{
    pages->setCurrentIndex(page); // pagesPageChanged follows
}

void TBatchWizard::btnBackClick()
{
    if (CurrentPage() > InfoPage && CurrentPage() < RunningPage)
        ShowPage(CurrentPage() - 1);
}

void TBatchWizard::actNextExecute()
{
    // A shortcut or a queued click may come after the button was disabled.
    actNextUpdate();
    if (!actNext->isEnabled())
        return;
    const int page = CurrentPage();
    if (page == FinishPage) {
        accept();
        return;
    }
    if (page == SettingsPage) {
        m_building = true;
        m_buildCancelled = false;
        m_buildClock.start();
        m_eventsClock.invalidate();
        UpdateWizardButtons();
        const auto done = qScopeGuard([this] {
            m_building = false;
            pbReading->hide();
            UpdateWizardButtons();
        });
        // Closing the main window meanwhile cancels the build.
        const LongOperation building([this] { m_buildCancelled = true; });
        const int count = BuildPreview();
        if (count < 0)
            return;
        if (count < 1) {
            m_prompts.showInformation(QStringLiteral("Information"), NothingToDoMessage());
            return;
        }
    }
    ShowPage(page + 1);
    if (CurrentPage() == RunningPage) {
        // A run cannot be cancelled: closing the main window meanwhile waits
        // for its end and then closes the wizard too.
        bool closeWhenDone = false;
        {
            const LongOperation running([&closeWhenDone] { closeWhenDone = true; });
            RunStep();
        }
        ShowPage(FinishPage);
        if (closeWhenDone)
            accept();
    }
}

bool TBatchWizard::FormCloseQuery() const
{
    return CurrentPage() != RunningPage;
}

void TBatchWizard::reject()
{
    if (!FormCloseQuery())
        return;
    if (m_building) {
        m_buildCancelled = true;
        return;
    }
    QDialog::reject();
}

void TBatchWizard::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery() || m_building) {
        m_buildCancelled = m_building;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool TBatchWizard::PreviewProgress(int done, int total)
{
    if (m_buildClock.elapsed() < kQuietBuildMs || !EventsDue())
        return !m_buildCancelled;
    if (pbReading->isHidden()) {
        pbReading->setRange(0, total);
        pbReading->show();
    }
    // The gauge repaints at once when its text changes: only as often as
    // events run.
    pbReading->setValue(done);
    ProcessPendingEvents();
    return !m_buildCancelled;
}

void TBatchWizard::StartGauge(int count)
{
    pbProgress->setRange(0, count > 0 ? count : 1);
    pbProgress->setValue(0);
    m_eventsClock.invalidate();
    ProcessPendingEvents();
}

void TBatchWizard::StepGauge()
{
    pbProgress->setValue(pbProgress->value() + 1);
}

bool TBatchWizard::EventsDue() const
{
    return !m_eventsClock.isValid() || m_eventsClock.elapsed() >= kEventsIntervalMs;
}

void TBatchWizard::ProcessPendingEvents()
{
    // Often enough to repaint and hear the buttons; a batch of thousands of
    // small files would spend most of its time here if it ran every time.
    if (!EventsDue())
        return;
    QApplication::processEvents();
    m_eventsClock.start();
}

void TBatchWizard::ShowFinishReport(const QString& summary, const QStringList& headers,
                                    const std::vector<QStringList>& failures)
{
    labResult->setText(summary);
    auto* model = new TPreviewModel(headers, false, {}, lvFailures);
    std::vector<TPreviewModel::Row> rows;
    rows.reserve(failures.size());
    for (const QStringList& failure : failures) {
        TPreviewModel::Row row;
        row.texts = failure;
        rows.push_back(std::move(row));
    }
    model->SetRows(std::move(rows));
    lvFailures->setModel(model);
    lvFailures->setVisible(!failures.empty());
    lvFailures->header()->resizeSections(QHeaderView::ResizeToContents);
}

void TBatchWizard::FollowCustomPattern(QComboBox* formats, QLineEdit* edit, TNamePattern* pattern)
{
    m_formats = formats;
    m_patternEdit = edit;
    connect(formats, &QComboBox::currentIndexChanged, this, &TBatchWizard::CustomFormatChanged);
    connect(edit, &QLineEdit::textChanged, this, [this, pattern](const QString& text) {
        *pattern = TNamePattern(text.toStdString());
        UpdateWizardButtons();
    });
}

void TBatchWizard::CustomFormatChanged()
{
    m_patternEdit->setEnabled(CustomChosen());
    UpdateWizardButtons();
}

bool TBatchWizard::CustomChosen() const
{
    return m_formats->currentIndex() == m_formats->count() - 1;
}

void TBatchWizard::FinishWrites(WriteBatch<WriteOutcome>& batch, int count, const QString& summary)
{
    int written = 0;
    std::vector<QStringList> failures;
    batch.Drain(
        [&](const WriteOutcome& outcome) {
            if (outcome.reasons.empty())
                ++written;
            else
                failures.push_back({outcome.fileName, outcome.reasons.join(QStringLiteral("; "))});
            StepGauge();
        },
        [this] {
            ProcessPendingEvents();
            return true;
        },
        kWriteBatchTick);
    QString text = summary.arg(written).arg(count);
    if (!failures.empty())
        text += QStringLiteral(" The files below could not be written.");
    ShowFinishReport(text, {QStringLiteral("File Name"), QStringLiteral("Reason")}, failures);
}
