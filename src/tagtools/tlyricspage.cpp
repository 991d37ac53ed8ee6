#include "tlyricspage.h"

#include "fileutils.h"
#include "pagefiles.h"
#include "prompts.h"
#include "tmp3tagv2.h"
#include "ttagpage.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Display(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Why the bytes of a file are no lyrics: empty when they are UTF-8 text.
QString NotText(const std::string& data)
{
    if (data.size() > TLyricsPage::kMaxFileSize)
        return QStringLiteral("The file is larger than %1 KB.").arg(TLyricsPage::kMaxFileSize / 1024);
    const bool controls = std::any_of(data.begin(), data.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 32 && c != '\n' && c != '\r' && c != '\t';
    });
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(QByteArrayView(data.data(), static_cast<qsizetype>(data.size())));
    if (controls || decoder.hasError())
        return QStringLiteral("It is no UTF-8 text file.");
    return {};
}

}  // namespace

TLyricsPage::TLyricsPage(Prompts& prompts, QWidget* parent)
    : QWidget(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("pageLyrics"));
    labLyricsInfo = new QLabel(this);
    labLyricsInfo->setObjectName(QStringLiteral("labLyricsInfo"));
    labLyricsInfo->setTextFormat(Qt::PlainText);
    edtLyricsLanguage = new QLineEdit(this);
    edtLyricsLanguage->setObjectName(QStringLiteral("edtLyricsLanguage"));
    edtLyricsLanguage->setMaxLength(3);
    edtLyricsLanguage->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z]{0,3}")), edtLyricsLanguage));
    edtLyricsLanguage->setFixedWidth(edtLyricsLanguage->fontMetrics().horizontalAdvance(QStringLiteral("WWWW")) + 12);
    edtLyricsDescription = new QLineEdit(this);
    edtLyricsDescription->setObjectName(QStringLiteral("edtLyricsDescription"));
    memLyrics = new QPlainTextEdit(this);
    memLyrics->setObjectName(QStringLiteral("memLyrics"));
    memLyrics->setTabChangesFocus(true);
    labSyncedLyrics = new QLabel(QStringLiteral("Synchronised l&yrics (kept as they are):"), this);
    labSyncedLyrics->setObjectName(QStringLiteral("labSyncedLyrics"));
    memSyncedLyrics = new QPlainTextEdit(this);
    memSyncedLyrics->setObjectName(QStringLiteral("memSyncedLyrics"));
    memSyncedLyrics->setReadOnly(true);
    memSyncedLyrics->setMaximumHeight(80);
    labSyncedLyrics->setBuddy(memSyncedLyrics);

    auto button = [this](const char* name, const char* text, void (TLyricsPage::*click)()) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    btnLyricsLoad = button("btnLyricsLoad", "Load from f&ile ...", &TLyricsPage::btnLyricsLoadClick);
    btnLyricsSave = button("btnLyricsSave", "&Save to file ...", &TLyricsPage::btnLyricsSaveClick);
    btnLyricsRemove = button("btnLyricsRemove", "R&emove", &TLyricsPage::btnLyricsRemoveClick);
    btnLyricsKeep = button("btnLyricsKeep", "&Don't change", &TLyricsPage::btnLyricsKeepClick);
    btnLyricsKeep->hide();

    connect(edtLyricsLanguage, &QLineEdit::textChanged, this, &TLyricsPage::textEdited);
    connect(edtLyricsDescription, &QLineEdit::textChanged, this, &TLyricsPage::textEdited);
    connect(memLyrics, &QPlainTextEdit::textChanged, this, &TLyricsPage::textEdited);

    auto* fields = new QGridLayout;
    auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(buddy);
        return l;
    };
    fields->addWidget(label("Lan&guage:", edtLyricsLanguage), 0, 0);
    fields->addWidget(edtLyricsLanguage, 0, 1);
    fields->addWidget(label("Descri&ption:", edtLyricsDescription), 0, 2);
    fields->addWidget(edtLyricsDescription, 0, 3);
    fields->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {btnLyricsLoad, btnLyricsSave, btnLyricsRemove, btnLyricsKeep})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labLyricsInfo);
    layout->addLayout(fields);
    layout->addWidget(memLyrics, 1);
    layout->addLayout(buttons);
    layout->addWidget(labSyncedLyrics);
    layout->addWidget(memSyncedLyrics);
    labSyncedLyrics->hide();
    memSyncedLyrics->hide();
    updateButtons();
}

void TLyricsPage::ShowFileLyrics(const std::vector<id3v2::FrameEntry>& frames, const std::string& folder)
{
    m_multiFileMode = false;
    m_folder = folder;
    m_hadLyrics = false;
    m_removed = false;
    std::size_t count = 0;
    QStringList synced;
    for (const id3v2::FrameEntry& entry : frames) {
        if (entry.kind == id3v2::FrameKind::Lyrics && count++ == 0) {
            m_hadLyrics = true;
            m_fileLyrics = {entry.language, entry.description, entry.text};
        } else if (entry.kind == id3v2::FrameKind::SyncedLyrics) {
            synced << Display(entry.text);
        }
    }
    if (!m_hadLyrics)
        m_fileLyrics = {};
    setLyrics(m_fileLyrics);
    m_shown = {edtLyricsLanguage->text(), edtLyricsDescription->text(), memLyrics->toPlainText()};
    labLyricsInfo->setText(count > 1 ? QStringLiteral("The first of %1 lyrics; the others are kept as they are.").arg(count)
                                     : QString());
    labLyricsInfo->setVisible(count > 1);
    memSyncedLyrics->setPlainText(synced.join(QStringLiteral("\n\n")));
    labSyncedLyrics->setVisible(!synced.isEmpty());
    memSyncedLyrics->setVisible(!synced.isEmpty());
    updateButtons();
}

void TLyricsPage::ShowPlaceholder()
{
    m_multiFileMode = true;
    m_edited = false;
    m_removed = false;
    setLyrics({});
    m_settingText = true;
    memLyrics->setPlaceholderText(TTagPage::kDontChange);
    m_settingText = false;
    labLyricsInfo->setText(TTagPage::kDontChange);
    labLyricsInfo->show();
    btnLyricsKeep->show();
    updateButtons();
}

TLyricsPage::Change TLyricsPage::PendingChange() const
{
    if (m_removed)
        return Change::Remove;
    const bool empty = memLyrics->toPlainText().isEmpty() && edtLyricsDescription->text().isEmpty();
    if (m_multiFileMode)
        return m_edited && !empty ? Change::Set : Change::Keep;
    if (empty)
        return m_hadLyrics ? Change::Remove : Change::Keep;
    // Compared as shown: what the edits made of the file's texts.
    const bool same = m_hadLyrics && memLyrics->toPlainText() == m_shown[2]
        && edtLyricsDescription->text() == m_shown[1] && edtLyricsLanguage->text() == m_shown[0];
    return same ? Change::Keep : Change::Set;
}

id3v2::Lyrics TLyricsPage::Lyrics() const
{
    id3v2::Lyrics lyrics;
    const QString typed = edtLyricsLanguage->text();
    lyrics.language = typed.toStdString();
    if (!m_multiFileMode && m_hadLyrics && typed == m_shown[0])
        lyrics.language = m_fileLyrics.language;
    else if (!id3v2::IsLanguageCode(lyrics.language))
        lyrics.language = "XXX";  // the standard's "unknown"
    lyrics.description = edtLyricsDescription->text().toStdString();
    lyrics.text = memLyrics->toPlainText().toStdString();
    return lyrics;
}

void TLyricsPage::ApplyTo(Tmp3TagV2& tag) const
{
    switch (PendingChange()) {
    case Change::Set:
        tag.SetLyrics(Lyrics());
        break;
    case Change::Remove:
        tag.RemoveLyrics();
        break;
    case Change::Keep:
        break;
    }
}

void TLyricsPage::setLyrics(const id3v2::Lyrics& lyrics)
{
    m_settingText = true;
    edtLyricsLanguage->setText(Display(lyrics.language));
    edtLyricsDescription->setText(Display(lyrics.description));
    memLyrics->setPlainText(Display(lyrics.text));
    m_settingText = false;
}

void TLyricsPage::textEdited()
{
    if (m_settingText)
        return;
    m_edited = true;
    m_removed = false;
    updateButtons();
    emit changed();
}

bool TLyricsPage::LoadFile(const std::string& path)
{
    std::string data;
    QString reason = Display(ReadUserFile(path, kMaxFileSize, data));
    if (reason.isEmpty())
        reason = NotText(data);
    if (!reason.isEmpty()) {
        m_prompts.showError(QStringLiteral("Error"), QStringLiteral("Cannot use the file \"") + Display(path)
                                                         + QStringLiteral("\" as lyrics. ") + reason);
        return false;
    }
    // A byte-order mark is no part of the text; lines end with "\n".
    if (data.rfind("\xEF\xBB\xBF", 0) == 0)
        data.erase(0, 3);
    QString text = Display(data);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memLyrics->setPlainText(text);
    if (edtLyricsLanguage->text().isEmpty())
        edtLyricsLanguage->setText(QStringLiteral("eng"));
    textEdited();
    return true;
}

void TLyricsPage::btnLyricsLoadClick()
{
    const std::vector<std::string> paths = m_prompts.openFiles(
        QStringLiteral("Load lyrics"), QStringLiteral("Text files (*.txt *.lrc);;All files (*)"), m_folder);
    if (!paths.empty())
        LoadFile(paths.front());
}

void TLyricsPage::btnLyricsSaveClick()
{
    const std::optional<std::string> path = m_prompts.saveFile(
        QStringLiteral("Save the lyrics"), QStringLiteral("Text files (*.txt);;All files (*)"),
        WithTrailingSeparator(m_folder) + "lyrics.txt");
    if (!path)
        return;
    const std::string error = WriteUserFile(*path, Lyrics().text);
    if (!error.empty())
        m_prompts.showError(QStringLiteral("Error"), QStringLiteral("Cannot write file \"") + Display(*path)
                                                         + QStringLiteral("\". ") + Display(error));
}

void TLyricsPage::btnLyricsRemoveClick()
{
    setLyrics({"", "", ""});
    m_edited = false;
    m_removed = m_multiFileMode || m_hadLyrics;
    if (m_multiFileMode)
        labLyricsInfo->setText(QStringLiteral("The lyrics are removed from every file."));
    updateButtons();
    emit changed();
}

void TLyricsPage::btnLyricsKeepClick()
{
    setLyrics({"", "", ""});
    m_edited = false;
    m_removed = false;
    labLyricsInfo->setText(TTagPage::kDontChange);
    updateButtons();
    emit changed();
}

void TLyricsPage::updateButtons()
{
    const bool text = !memLyrics->toPlainText().isEmpty();
    btnLyricsSave->setEnabled(text);
    btnLyricsRemove->setEnabled(m_multiFileMode ? !m_removed : (text || m_hadLyrics) && !m_removed);
    btnLyricsKeep->setEnabled(m_edited || m_removed);
    if (m_multiFileMode && m_edited)
        labLyricsInfo->setText(QStringLiteral("These lyrics are set in every file."));
}
