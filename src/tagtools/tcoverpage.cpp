#include "tcoverpage.h"

#include "fileutils.h"
#include "pagefiles.h"
#include "prompts.h"
#include "tmp3tagv2.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kImageSize = 160;

// The picture types of the ID3v2 standard, by number.
const char* const kTypeNames[] = {
    "Other", "32x32 pixels file icon", "Other file icon", "Cover (front)", "Cover (back)", "Leaflet page",
    "Media", "Lead artist/lead performer/soloist", "Artist/performer", "Conductor", "Band/Orchestra",
    "Composer", "Lyricist/text writer", "Recording Location", "During recording", "During performance",
    "Movie/video screen capture", "A bright coloured fish", "Illustration", "Band/artist logotype",
    "Publisher/Studio logotype"};

QString TypeName(int type)
{
    if (type >= 0 && type < static_cast<int>(std::size(kTypeNames)))
        return QString::fromLatin1(kTypeNames[type]);
    return QStringLiteral("Picture type %1").arg(type);
}

QString FormatName(const std::string& mimeType)
{
    if (mimeType == "image/jpeg" || mimeType == "image/jpg")
        return QStringLiteral("JPEG");
    if (mimeType == "image/png")
        return QStringLiteral("PNG");
    return QString::fromStdString(mimeType);
}

QString Display(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QImage Decoded(const std::string& data)
{
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(data.data()), static_cast<int>(data.size()));
    return image;
}

} // namespace

TCoverPage::TCoverPage(Prompts& prompts, QWidget* parent)
    : QWidget(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("page3"));
    imgCover = new QLabel(this);
    imgCover->setObjectName(QStringLiteral("imgCover"));
    imgCover->setAccessibleName(QStringLiteral("Cover picture"));
    imgCover->setFixedSize(kImageSize + 4, kImageSize + 4);
    imgCover->setFrameShape(QFrame::Box);
    imgCover->setAlignment(Qt::AlignCenter);
    imgCover->setWordWrap(true);
    imgCover->setTextFormat(Qt::PlainText);
    labCoverInfo = new QLabel(this);
    labCoverInfo->setObjectName(QStringLiteral("labCoverInfo"));
    labCoverInfo->setTextFormat(Qt::PlainText);
    labCoverInfo->setWordWrap(true);
    labCoverInfo->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    const auto button = [this](const char* name, const char* caption, void (TCoverPage::*click)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    btnCoverSet = button("btnCoverSet", "&Add ...", &TCoverPage::btnCoverSetClick);
    btnCoverSave = button("btnCoverSave", "&Save to file ...", &TCoverPage::btnCoverSaveClick);
    btnCoverRemove = button("btnCoverRemove", "&Remove", &TCoverPage::btnCoverRemoveClick);
    btnCoverKeep = button("btnCoverKeep", "&Don't change", &TCoverPage::btnCoverKeepClick);
    btnCoverKeep->hide();

    auto* side = new QVBoxLayout;
    side->addWidget(labCoverInfo, 1);
    for (QPushButton* b : {btnCoverSet, btnCoverSave, btnCoverRemove, btnCoverKeep})
        side->addWidget(b);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->addWidget(imgCover, 0, Qt::AlignTop);
    layout->addLayout(side, 1);
    updateButtons();
}

void TCoverPage::ShowFileCover(const std::optional<TagPicture>& cover, const std::string& folder)
{
    m_multiFileMode = false;
    m_folder = folder;
    m_fileCover = cover;
    m_newCover.reset();
    m_change = Change::Keep;
    if (cover)
        showPicture(*cover);
    else
        showText(QStringLiteral("No picture"), false);
    updateButtons();
}

void TCoverPage::ShowPlaceholder()
{
    m_multiFileMode = true;
    m_fileCover.reset();
    m_newCover.reset();
    m_change = Change::Keep;
    btnCoverSet->setText(QStringLiteral("S&et ..."));
    btnCoverKeep->show();
    showText(QStringLiteral("<don't change>"), true);
    updateButtons();
}

void TCoverPage::ApplyTo(Tmp3TagV2& tag) const
{
    if (m_change == Change::Set && m_newCover)
        tag.SetFrontCover(m_newCover->data);
    else if (m_change == Change::Remove && m_multiFileMode)
        tag.RemoveFrontCover();  // the files' other pictures stay
    else if (m_change == Change::Remove)
        tag.RemoveCover();  // the picture shown
}

void TCoverPage::showPicture(const TagPicture& picture)
{
    const QImage image = Decoded(picture.data);
    QString info = TypeName(picture.type) + QLatin1Char('\n') + FormatName(picture.mimeType);
    if (image.isNull()) {
        imgCover->setPixmap({});
        imgCover->setText(QStringLiteral("The picture cannot be shown"));
    } else {
        imgCover->setPixmap(QPixmap::fromImage(
            image.scaled(kImageSize, kImageSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        info += QStringLiteral(", %1 × %2 pixels").arg(image.width()).arg(image.height());
    }
    info += QStringLiteral(", ") + Display(FormatByteSize(static_cast<std::int64_t>(picture.data.size())));
    if (m_change == Change::Set)
        info += m_multiFileMode ? QStringLiteral("\n\nSet in every selected file by Update")
                                : QStringLiteral("\n\nWritten by Update");
    labCoverInfo->setText(info);
}

void TCoverPage::showText(const QString& text, bool italic)
{
    imgCover->setPixmap({});
    imgCover->setText(text);
    QFont font = imgCover->font();
    font.setItalic(italic);
    imgCover->setFont(font);
    labCoverInfo->clear();
}

void TCoverPage::updateButtons()
{
    const bool shown = m_change == Change::Set || (m_change == Change::Keep && m_fileCover);
    btnCoverSave->setEnabled(shown);
    btnCoverRemove->setEnabled(m_multiFileMode ? m_change != Change::Remove : shown);
    btnCoverKeep->setEnabled(m_change != Change::Keep);
    if (!m_multiFileMode) {
        const bool front = m_change == Change::Set || (m_fileCover && m_fileCover->type == TagPicture::kFrontCover);
        btnCoverSet->setText(front ? QStringLiteral("Re&place ...") : QStringLiteral("&Add ..."));
    }
}

std::optional<std::string> TCoverPage::readPictureFile(const std::string& path)
{
    std::string data;
    std::string reason = ReadUserFile(path, TagPicture::kMaxSize, data);
    if (reason.empty())
        reason = Tmp3TagV2::CheckPicture(data);
    if (reason.empty() && Decoded(data).isNull())
        reason = "The picture is damaged: it cannot be read as an image";
    if (reason.empty())
        return data;
    m_prompts.showError(QStringLiteral("Error"), QStringLiteral("Cannot use the file \"") + Display(path)
                                                     + QStringLiteral("\" as the cover. ") + Display(reason));
    return std::nullopt;
}

void TCoverPage::btnCoverSetClick()
{
    const std::vector<std::string> paths = m_prompts.openFiles(
        QStringLiteral("Choose a cover picture"), QStringLiteral("Pictures (*.jpg *.jpeg *.png);;All files (*)"),
        m_folder);
    if (paths.empty())
        return;
    std::optional<std::string> data = readPictureFile(paths.front());
    if (!data)
        return;
    TagPicture picture;
    Tmp3TagV2::CheckPicture(*data, &picture.mimeType);
    picture.data = std::move(*data);
    m_newCover = std::move(picture);
    m_change = Change::Set;
    showPicture(*m_newCover);
    updateButtons();
    emit changed();
}

void TCoverPage::btnCoverSaveClick()
{
    const TagPicture* shown = m_change == Change::Set ? &*m_newCover : m_fileCover ? &*m_fileCover : nullptr;
    if (!shown)
        return;
    const bool png = shown->mimeType == "image/png";
    const std::optional<std::string> path = m_prompts.saveFile(
        QStringLiteral("Save the picture"),
        png ? QStringLiteral("PNG picture (*.png);;All files (*)") : QStringLiteral("JPEG picture (*.jpg *.jpeg);;All files (*)"),
        WithTrailingSeparator(m_folder) + (png ? "cover.png" : "cover.jpg"));
    if (!path)
        return;
    // The dialog asked before an existing file is replaced.
    const std::string error = WriteUserFile(*path, shown->data);
    if (!error.empty())
        m_prompts.showError(QStringLiteral("Error"), QStringLiteral("Cannot write file \"") + Display(*path)
                                                         + QStringLiteral("\". ") + Display(error));
}

void TCoverPage::btnCoverRemoveClick()
{
    m_newCover.reset();
    m_change = m_multiFileMode || m_fileCover ? Change::Remove : Change::Keep;
    if (m_change == Change::Keep)
        showText(QStringLiteral("No picture"), false);
    else
        showText(m_multiFileMode ? QStringLiteral("Removed from every selected file by Update")
                                 : QStringLiteral("Removed by Update"),
                 true);
    updateButtons();
    emit changed();
}

void TCoverPage::btnCoverKeepClick()
{
    if (m_multiFileMode)
        ShowPlaceholder();
    else
        ShowFileCover(m_fileCover, m_folder);
    emit changed();
}
