#include "tfrmtagactions.h"

#include "tagfieldtable.h"
#include "tpreviewmodel.h"
#include "v1losscheck.h"

#include "mainwindowregistry.h"
#include "optionvalues.h"
#include "orderedbatch.h"
#include "playlistrows.h"
#include "tfileinfo.h"
#include "tundorecorder.h"
#include "writebatch.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

using Action = TagActionSettings::Action;

// The pages of the action's settings; copy and swap share one.
enum OptionsPage { CasePage = 0, ReplacePage, TidyPage, FieldsPage, NumberPage };

QString Display(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString FieldName(std::size_t index)
{
    return QString::fromLatin1(TagFieldTable::Fields()[index].name);
}

OptionsPage PageOf(Action action)
{
    switch (action) {
    case Action::Case: return CasePage;
    case Action::Replace: return ReplacePage;
    case Action::Tidy: return TidyPage;
    case Action::Copy:
    case Action::Swap: return FieldsPage;
    case Action::Number: return NumberPage;
    }
    return CasePage;
}

QLabel* Label(const char* caption, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TfrmTagActions::TfrmTagActions(PlaylistRows& playlist, Prompts& prompts, QWidget* parent)
    : TBatchWizard(prompts, QStringLiteral("Tag actions"),
                   {QStringLiteral("Tag actions"), QStringLiteral("Settings"), QStringLiteral("Preview before applying"),
                    QStringLiteral("Changing tags ..."), QStringLiteral("Tag actions finished")},
                   parent)
    , m_playlist(playlist)
{
    setObjectName(QStringLiteral("frmTagActions"));
    SetIntroduction({
        QStringLiteral("Welcome to the tag actions of Tunevault!"),
        QString(),
        QStringLiteral("One action changes the tags of many files at once:"),
        QStringLiteral("  - the letter case of their texts (Title Case, UPPER CASE, lower case, Sentence case),"),
        QStringLiteral("  - a text or a regular expression replaced by another,"),
        QStringLiteral("  - blanks tidied,"),
        QStringLiteral("  - a field copied into another, or two fields swapped,"),
        QStringLiteral("  - track numbers 1..N in the playlist's order."),
        QString(),
        QStringLiteral("The preview shows every change before a file is written;"),
        QStringLiteral("\"Undo last change\" takes the whole run back."),
    });
    // The rows the user selected are the ones meant; none selected: all.
    m_scope = RowsInScope(m_playlist, !m_playlist.SelectedRows().empty());
    m_preview = new TPreviewModel({QStringLiteral("File Name"), QStringLiteral("Tag"), QStringLiteral("Field"),
                                   QStringLiteral("Old value"), QStringLiteral("New value"), QStringLiteral("Note")},
                                  false, {}, this);
    BuildSettingsPage();
    lvFiles = NewPreviewList(m_preview, false, {170, 50, 60, 130, 130});
    disconnect(actNext, &QAction::triggered, this, &TBatchWizard::actNextExecute);
    connect(actNext, &QAction::triggered, this, &TfrmTagActions::actNextClick);
    ShowSettings(TagActionSettings::FromText(QString::fromStdString(options::tagActionSettings)));
    ShowFirstPage();
}

TfrmTagActions::~TfrmTagActions() = default;

void TfrmTagActions::BuildSettingsPage()
{
    cbAction = new QComboBox(tsSettings);
    cbAction->setObjectName(QStringLiteral("cbAction"));
    cbAction->addItems({QStringLiteral("Change the letter case"), QStringLiteral("Replace a text"),
                        QStringLiteral("Tidy blanks"), QStringLiteral("Copy a field into another"),
                        QStringLiteral("Swap two fields"), QStringLiteral("Number tracks")});

    // Seven fields in both tags, and more in ID3v2 tags: a list that flows
    // into columns.
    m_fields = new QStandardItemModel(this);
    for (std::size_t i = 0; i < TagFieldTable::Fields().size(); ++i) {
        auto* item = new QStandardItem(FieldName(i));
        item->setCheckable(true);
        item->setEditable(false);
        m_fields->appendRow(item);
    }
    lvFields = new QListView(tsSettings);
    lvFields->setObjectName(QStringLiteral("lvFields"));
    lvFields->setAccessibleName(QStringLiteral("Fields"));
    lvFields->setModel(m_fields);
    lvFields->setFlow(QListView::TopToBottom);
    lvFields->setWrapping(true);
    lvFields->setResizeMode(QListView::Adjust);
    // Five columns of five rows hold the seven fields and the sixteen more.
    const int rowHeight = lvFields->fontMetrics().height() + 4;
    lvFields->setGridSize(QSize(116, rowHeight));
    lvFields->setFixedHeight(rowHeight * 5 + 2 * lvFields->frameWidth() + 2);
    lvFields->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_fields, &QStandardItemModel::itemChanged, this, &TfrmTagActions::UpdateWizardButtons);
    cbSetV1 = new QCheckBox(QStringLiteral("Tag ID3 v&1"), tsSettings);
    cbSetV1->setObjectName(QStringLiteral("cbSetV1"));
    cbSetV2 = new QCheckBox(QStringLiteral("Tag ID3 v&2"), tsSettings);
    cbSetV2->setObjectName(QStringLiteral("cbSetV2"));
    labScope = new QLabel(tsSettings);
    labScope->setTextFormat(Qt::PlainText);
    const int count = static_cast<int>(m_scope.size());
    labScope->setText(!m_playlist.SelectedRows().empty()
                          ? QStringLiteral("Works on the %1 selected rows of the playlist.").arg(count)
                          : QStringLiteral("Works on all %1 rows of the playlist.").arg(count));

    auto* tags = new QHBoxLayout;
    tags->addWidget(cbSetV1);
    tags->addWidget(cbSetV2);
    tags->addStretch(1);
    auto* layout = new QVBoxLayout(tsSettings);
    layout->setContentsMargins(12, 12, 12, 12);
    auto* action = new QHBoxLayout;
    action->addWidget(Label("&Action:", cbAction, tsSettings));
    action->addWidget(cbAction, 1);
    layout->addLayout(action);
    layout->addWidget(BuildOptionsPages());
    layout->addWidget(Label("Fiel&ds:", lvFields, tsSettings));
    layout->addWidget(lvFields);
    layout->addLayout(tags);
    layout->addWidget(labScope);
    layout->addStretch(1);

    connect(cbAction, &QComboBox::currentIndexChanged, this, &TfrmTagActions::ActionChanged);
    for (QCheckBox* box : {cbSetV1, cbSetV2, cbRegularExpression, cbCaseSensitive})
        connect(box, &QCheckBox::toggled, this, &TfrmTagActions::UpdateWizardButtons);
    connect(edtFind, &QLineEdit::textChanged, this, &TfrmTagActions::UpdateWizardButtons);
    for (QComboBox* box : {cbFrom, cbTo})
        connect(box, &QComboBox::currentIndexChanged, this, &TfrmTagActions::UpdateWizardButtons);
}

QWidget* TfrmTagActions::BuildOptionsPages()
{
    pgOptions = new QStackedWidget(tsSettings);
    pgOptions->setObjectName(QStringLiteral("pgOptions"));

    auto* casePage = new QWidget(pgOptions);
    cbCase = new QComboBox(casePage);
    cbCase->setObjectName(QStringLiteral("cbCase"));
    cbCase->addItems({QStringLiteral("Title Case"), QStringLiteral("UPPER CASE"), QStringLiteral("lower case"),
                      QStringLiteral("Sentence case")});
    auto* caseLayout = new QHBoxLayout(casePage);
    caseLayout->addWidget(Label("Letter ca&se:", cbCase, casePage));
    caseLayout->addWidget(cbCase, 1);

    auto* replacePage = new QWidget(pgOptions);
    edtFind = new QLineEdit(replacePage);
    edtFind->setObjectName(QStringLiteral("edtFind"));
    edtReplacement = new QLineEdit(replacePage);
    edtReplacement->setObjectName(QStringLiteral("edtReplacement"));
    cbRegularExpression = new QCheckBox(QStringLiteral("Regular e&xpression (\\1 in the replacement is the first group)"),
                                        replacePage);
    cbRegularExpression->setObjectName(QStringLiteral("cbRegularExpression"));
    cbCaseSensitive = new QCheckBox(QStringLiteral("Case sensiti&ve"), replacePage);
    cbCaseSensitive->setObjectName(QStringLiteral("cbCaseSensitive"));
    auto* replaceGrid = new QGridLayout(replacePage);
    replaceGrid->addWidget(Label("F&ind:", edtFind, replacePage), 0, 0);
    replaceGrid->addWidget(edtFind, 0, 1);
    replaceGrid->addWidget(Label("Replace &with:", edtReplacement, replacePage), 1, 0);
    replaceGrid->addWidget(edtReplacement, 1, 1);
    replaceGrid->addWidget(cbRegularExpression, 2, 1);
    replaceGrid->addWidget(cbCaseSensitive, 3, 1);

    auto* tidyPage = new QWidget(pgOptions);
    cbTrim = new QCheckBox(QStringLiteral("Trim b&lanks at both ends"), tidyPage);
    cbTrim->setObjectName(QStringLiteral("cbTrim"));
    cbCollapse = new QCheckBox(QStringLiteral("Collapse r&uns of blanks into one"), tidyPage);
    cbCollapse->setObjectName(QStringLiteral("cbCollapse"));
    cbUnderscores = new QCheckBox(QStringLiteral("C&hange \"_\" into blanks"), tidyPage);
    cbUnderscores->setObjectName(QStringLiteral("cbUnderscores"));
    auto* tidyLayout = new QVBoxLayout(tidyPage);
    for (QCheckBox* box : {cbTrim, cbCollapse, cbUnderscores})
        tidyLayout->addWidget(box);

    auto* fieldsPage = new QWidget(pgOptions);
    cbFrom = new QComboBox(fieldsPage);
    cbFrom->setObjectName(QStringLiteral("cbFrom"));
    cbTo = new QComboBox(fieldsPage);
    cbTo->setObjectName(QStringLiteral("cbTo"));
    for (std::size_t i = 0; i < TagFieldTable::Fields().size(); ++i) {
        cbFrom->addItem(FieldName(i));
        cbTo->addItem(FieldName(i));
    }
    labTo = Label("&Into:", cbTo, fieldsPage);
    auto* fieldsGrid = new QGridLayout(fieldsPage);
    fieldsGrid->addWidget(Label("&Field:", cbFrom, fieldsPage), 0, 0);
    fieldsGrid->addWidget(cbFrom, 0, 1);
    fieldsGrid->addWidget(labTo, 1, 0);
    fieldsGrid->addWidget(cbTo, 1, 1);
    fieldsGrid->setColumnStretch(1, 1);

    auto* numberPage = new QWidget(pgOptions);
    rbPerFolder = new QRadioButton(QStringLiteral("1..N within each &folder"), numberPage);
    rbPerFolder->setObjectName(QStringLiteral("rbPerFolder"));
    rbOverAll = new QRadioButton(QStringLiteral("1..N over all the rows work&ed on"), numberPage);
    rbOverAll->setObjectName(QStringLiteral("rbOverAll"));
    cbWithTotal = new QCheckBox(QStringLiteral("As \"n/N\" in &ID3v2 tags (ID3v1 holds n up to 255)"), numberPage);
    cbWithTotal->setObjectName(QStringLiteral("cbWithTotal"));
    auto* group = new QButtonGroup(numberPage);
    group->addButton(rbPerFolder);
    group->addButton(rbOverAll);
    auto* numberLayout = new QVBoxLayout(numberPage);
    for (QWidget* widget : std::initializer_list<QWidget*>{rbPerFolder, rbOverAll, cbWithTotal})
        numberLayout->addWidget(widget);

    for (QWidget* page : {casePage, replacePage, tidyPage, fieldsPage, numberPage}) {
        page->layout()->setAlignment(Qt::AlignTop);
        pgOptions->addWidget(page);
    }
    return pgOptions;
}

void TfrmTagActions::ActionChanged()
{
    const auto action = static_cast<Action>(cbAction->currentIndex());
    pgOptions->setCurrentIndex(PageOf(action));
    labTo->setText(action == Action::Swap ? QStringLiteral("&With:") : QStringLiteral("&Into:"));
    lvFields->setEnabled(action == Action::Case || action == Action::Replace || action == Action::Tidy);
    UpdateWizardButtons();
}

bool TfrmTagActions::FieldChecked(std::size_t field) const
{
    return m_fields->item(static_cast<int>(field))->checkState() == Qt::Checked;
}

void TfrmTagActions::SetFieldChecked(std::size_t field, bool checked)
{
    m_fields->item(static_cast<int>(field))->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

TagActionSettings TfrmTagActions::CurrentSettings() const
{
    TagActionSettings settings;
    settings.action = static_cast<Action>(cbAction->currentIndex());
    settings.fields.clear();
    const std::vector<TagField>& table = TagFieldTable::Fields();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (FieldChecked(i))
            settings.fields.emplace_back(table[i].key);
    }
    settings.v1 = cbSetV1->isChecked();
    settings.v2 = cbSetV2->isChecked();
    settings.letterCase = static_cast<TagTextEdits::Case>(cbCase->currentIndex());
    settings.find = edtFind->text();
    settings.replacement = edtReplacement->text();
    settings.regularExpression = cbRegularExpression->isChecked();
    settings.caseSensitive = cbCaseSensitive->isChecked();
    settings.tidy = {cbTrim->isChecked(), cbCollapse->isChecked(), cbUnderscores->isChecked()};
    settings.from = table[static_cast<std::size_t>(cbFrom->currentIndex())].key;
    settings.to = table[static_cast<std::size_t>(cbTo->currentIndex())].key;
    settings.perFolder = rbPerFolder->isChecked();
    settings.withTotal = cbWithTotal->isChecked();
    return settings;
}

void TfrmTagActions::ShowSettings(const TagActionSettings& settings)
{
    cbAction->setCurrentIndex(static_cast<int>(settings.action));
    const std::vector<TagField>& table = TagFieldTable::Fields();
    for (std::size_t i = 0; i < table.size(); ++i)
        SetFieldChecked(i, std::find(settings.fields.begin(), settings.fields.end(), table[i].key)
                               != settings.fields.end());
    cbSetV1->setChecked(settings.v1);
    cbSetV2->setChecked(settings.v2);
    cbCase->setCurrentIndex(static_cast<int>(settings.letterCase));
    edtFind->setText(settings.find);
    edtReplacement->setText(settings.replacement);
    cbRegularExpression->setChecked(settings.regularExpression);
    cbCaseSensitive->setChecked(settings.caseSensitive);
    cbTrim->setChecked(settings.tidy.trim);
    cbCollapse->setChecked(settings.tidy.collapse);
    cbUnderscores->setChecked(settings.tidy.underscores);
    cbFrom->setCurrentIndex(static_cast<int>(TagFieldTable::IndexOf(settings.from).value_or(0)));
    cbTo->setCurrentIndex(static_cast<int>(TagFieldTable::IndexOf(settings.to).value_or(0)));
    (settings.perFolder ? rbPerFolder : rbOverAll)->setChecked(true);
    cbWithTotal->setChecked(settings.withTotal);
    ActionChanged();
}

QString TfrmTagActions::SettingsMissing() const
{
    if (m_scope.empty())
        return QStringLiteral("The playlist has no rows.");
    return TagAction(CurrentSettings(), options::CurrentTagOptions()).Problem();
}

bool TfrmTagActions::PreviewComplete() const
{
    return std::any_of(m_plans.begin(), m_plans.end(), [](const auto& plan) { return !plan.changes.empty(); });
}

QString TfrmTagActions::NothingToDoMessage() const
{
    return QStringLiteral("The action changes none of the files.");
}

int TfrmTagActions::BuildPreview()
{
    m_preview->Clear();
    m_plans.clear();
    m_records.clear();
    const TagActionSettings settings = CurrentSettings();
    options::tagActionSettings = settings.ToText().toStdString();
    m_action = std::make_unique<TagAction>(settings, options::CurrentTagOptions());

    std::vector<std::string> paths;
    for (const int row : m_scope) {
        if (TFileInfo* record = m_playlist.FileAt(row)) {
            m_records.push_back(record);
            paths.push_back(record->FullPath());
        }
    }
    const std::vector<TagAction::TrackNumber> numbers = TagAction::Numbers(paths, settings.perFolder);
    // The files are read on the worker pool, several at once; each job has
    // its own copy of the action.
    OrderedBatch<TagAction::FilePlan> batch;
    for (std::size_t i = 0; i < paths.size(); ++i)
        batch.Add([action = *m_action, path = paths[i], number = numbers[i]] { return action.Plan(path, number); });
    const int total = static_cast<int>(paths.size());
    std::vector<TagAction::FilePlan> plans;
    plans.reserve(paths.size());
    const bool complete = batch.Drain([&plans](TagAction::FilePlan plan) { plans.push_back(std::move(plan)); },
                                      [this, &plans, total] { return PreviewProgress(static_cast<int>(plans.size()), total); },
                                      kWriteBatchTick);
    if (!complete)
        return -1;
    m_plans = std::move(plans);
    ShowPlans();
    return static_cast<int>(std::count_if(m_plans.begin(), m_plans.end(),
                                          [](const auto& plan) { return !plan.changes.empty(); }));
}

void TfrmTagActions::ShowPlans()
{
    std::vector<TPreviewModel::Row> rows;
    for (std::size_t i = 0; i < m_plans.size(); ++i) {
        const TagAction::FilePlan& plan = m_plans[i];
        const QString fileName = Display(m_records[i]->FileName());
        const QString notes = plan.notes.join(QStringLiteral("; "));
        if (plan.changes.empty()) {
            TPreviewModel::Row row;
            row.record = m_records[i];
            row.texts = {fileName};
            row.leftOutBecause = notes.isEmpty() ? QStringLiteral("No change") : QStringLiteral("No change: ") + notes;
            rows.push_back(std::move(row));
            continue;
        }
        for (std::size_t c = 0; c < plan.changes.size(); ++c) {
            const TagAction::Change& change = plan.changes[c];
            TPreviewModel::Row row;
            row.record = m_records[i];
            QString note = change.v1Loses ? QStringLiteral("\"?\" for characters the ID3v1 code page lacks") : QString();
            if (c == 0 && !notes.isEmpty())
                note = note.isEmpty() ? notes : note + QStringLiteral("; ") + notes;
            row.texts = {fileName, change.v1 ? QStringLiteral("ID3v1") : QStringLiteral("ID3v2"),
                         FieldName(change.field), Display(change.before), Display(change.after), note};
            rows.push_back(std::move(row));
        }
    }
    m_preview->SetRows(std::move(rows));
    lvFiles->clearSpans();
    for (int r = 0; r < m_preview->Count(); ++r) {
        if (!m_preview->RowAt(r).leftOutBecause.isEmpty())
            lvFiles->setSpan(r, TagColumn, 1, m_preview->columnCount() - TagColumn);
    }
}

void TfrmTagActions::actNextClick()
{
    // A shortcut or a queued click may come after the button was disabled.
    actNextUpdate();
    if (CurrentPage() == PreviewPage && actNext->isEnabled() && !ConfirmV1Losses())
        return;
    actNextExecute();
}

bool TfrmTagActions::ConfirmV1Losses() const
{
    V1LossCheck check(options::CurrentTagOptions());
    bool v2Changes = false;
    for (const TagAction::FilePlan& plan : m_plans) {
        for (const TagAction::Change& change : plan.changes) {
            v2Changes = v2Changes || !change.v1;
            const TagField& field = TagFieldTable::Fields()[change.field];
            if (change.v1 && field.v1Loss)
                check.Add(*field.v1Loss, change.text);
        }
        check.EndFile();
    }
    return check.Confirm(m_prompts, check.BatchQuestion(v2Changes));
}

void TfrmTagActions::RunStep()
{
    WriteChanges();
    m_tagsSet = true;
}

void TfrmTagActions::WriteChanges()
{
    const int count = static_cast<int>(std::count_if(m_plans.begin(), m_plans.end(),
                                                     [](const auto& plan) { return !plan.changes.empty(); }));
    StartGauge(count);
    using Outcome = WriteOutcome;
    // Only the files that change are written, many at once on the worker
    // pool; their outcomes are taken in list order.
    WriteBatch<Outcome> batch;
    for (std::size_t i = 0; i < m_plans.size(); ++i) {
        if (m_plans[i].changes.empty())
            continue;
        batch.Add([action = *m_action, plan = m_plans[i], undo = m_undo,
                   fileName = Display(m_records[i]->FileName())](FolderFlushes& flushes) {
            const TUndoRecorder::TagWrite recorded(undo, plan.path);
            return Outcome {fileName, action.Write(plan, &flushes)};
        });
    }
    FinishWrites(batch, count, QStringLiteral("Tags changed in %1 of %2 files."));
}

TagActionsResult ShowTagActionsWizard(PlaylistRows& playlist, Prompts& prompts, QWidget* parent,
                                      TUndoRecorder* undo)
{
    TfrmTagActions wizard(playlist, prompts, parent ? parent : MainWindow());
    wizard.SetUndoRecorder(undo);
    CenterOnMainWindow(wizard);
    wizard.exec();
    return {wizard.TagsSet(), wizard.Scope()};
}
