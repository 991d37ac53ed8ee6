#include "tfrmcopymoveconfirm.h"

#include "filedescriptor.h"
#include "fileutils.h"
#include "fixeddialog.h"
#include "mainwindowregistry.h"
#include "prompts.h"
#include "systemerror.h"

#include <QCompleter>
#include <QFile>
#include <QFileSystemModel>
#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString PathText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "/";
}

// "~" and "~/..." start in the home folder, "~user/..." in that user's.
std::string ExpandTilde(const std::string& path)
{
    if (!path.starts_with('~'))
        return path;
    const auto slash = path.find('/');
    const std::string user = path.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
    const std::string rest = slash == std::string::npos ? std::string() : path.substr(slash);
    if (user.empty())
        return HomeFolder() + rest;
    const passwd* pw = getpwnam(user.c_str());
    return pw && pw->pw_dir ? pw->pw_dir + rest : path;
}

} // namespace

TfrmCopyMoveConfirm::TfrmCopyMoveConfirm(Prompts& prompts, bool isMove, int count, const std::string& folder,
                                         QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
    , m_prompts(prompts)
    , m_folder(folder)
    , m_known{{PathText(folder), folder}}
{
    setObjectName(QStringLiteral("frmCopyMoveConfirm"));
    setWindowTitle(isMove ? QStringLiteral("Move files confirmation") : QStringLiteral("Copy files confirmation"));
    setFixedSize(482, 88);

    lblCopyNFilesTo = new QLabel(
        (isMove ? QStringLiteral("Move ") : QStringLiteral("Copy ")) + QString::number(count) + QStringLiteral(" file(s) &to ..."),
        this);
    lblCopyNFilesTo->setObjectName(QStringLiteral("lblCopyNFilesTo"));

    edtDestPath = new QLineEdit(PathText(folder), this);
    edtDestPath->setObjectName(QStringLiteral("edtDestPath"));
    lblCopyNFilesTo->setBuddy(edtDestPath);
    auto* folders = new QFileSystemModel(this);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders->setRootPath(QString());
    auto* completer = new QCompleter(folders, this);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    edtDestPath->setCompleter(completer);
    // Enter with the list of folder names up but none of them picked is
    // the dialog's: the completer would take it only to close its list.
    completer->popup()->installEventFilter(this);

    btnBrowse = new QPushButton(QStringLiteral("..."), this);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    btnBrowse->setAutoDefault(false);
    // As wide as its style and skin need for the whole caption.
    btnBrowse->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    btnBrowse->setToolTip(QStringLiteral("Choose the destination folder"));
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmCopyMoveConfirm::btnBrowseClick);

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmCopyMoveConfirm::btnOKClick);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* path = new QHBoxLayout;
    path->addWidget(edtDestPath, 1);
    path->addWidget(btnBrowse);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCopyNFilesTo);
    layout->addLayout(path);
    layout->addLayout(buttons);
    edtDestPath->setFocus();
}

bool TfrmCopyMoveConfirm::eventFilter(QObject* watched, QEvent* event)
{
    auto* popup = edtDestPath->completer() ? edtDestPath->completer()->popup() : nullptr;
    if (watched == popup && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !popup->selectionModel()->hasSelection()) {
            popup->hide();
            btnOK->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmCopyMoveConfirm::btnOKClick()
{
    const QString trimmed = QString::fromUtf8(TrimControls(edtDestPath->text().toStdString()));
    if (trimmed.isEmpty())
        return;
    edtDestPath->setText(trimmed);
    if (EnsureDestination())
        accept();
}

bool TfrmCopyMoveConfirm::EnsureDestination()
{
    const std::string path = DestPath();
    const std::string folder = path.size() > 1 ? path.substr(0, path.size() - 1) : path;
    const QString shown = PathText(path);
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        m_prompts.showError(QStringLiteral("Error"), QStringLiteral("\"") + shown + QStringLiteral("\" is not a folder."));
        return false;
    }
    if (errno != ENOENT) {
        m_prompts.showError(QStringLiteral("Error"), QStringLiteral("The folder \"") + shown
                                                         + QStringLiteral("\" cannot be used:\n")
                                                         + QString::fromStdString(SystemErrorText(errno)));
        return false;
    }
    // A missing folder is offered to be made; otherwise the user can correct
    // the path.
    if (m_prompts.askYesNo(QStringLiteral("Confirm"), QStringLiteral("The folder \"") + shown
                                                          + QStringLiteral("\" does not exist.\nCreate it?"))
        != PromptAnswer::Yes)
        return false;
    if (MakeFolders(folder))
        return true;
    m_prompts.showError(QStringLiteral("Error"), QStringLiteral("The folder \"") + shown
                                                     + QStringLiteral("\" could not be created:\n")
                                                     + QString::fromStdString(SystemErrorText(errno)));
    return false;
}

void TfrmCopyMoveConfirm::btnBrowseClick()
{
    const auto chosen = m_prompts.chooseFolder(QStringLiteral("Select Destination Directory"), DestPath());
    if (!chosen)
        return;
    const QString text = PathText(*chosen);
    m_known.emplace_back(text, *chosen);
    edtDestPath->setText(text);
}

std::string TfrmCopyMoveConfirm::DestPath() const
{
    // File names are UTF-8 bytes, as typed.
    const std::string typed = TrimControls(edtDestPath->text().toStdString());
    std::string path = typed;
    for (const auto& [shown, bytes] : m_known) {
        if (TrimControls(shown.toStdString()) == typed)
            path = TrimControls(bytes);
    }
    path = ExpandTilde(path);
    if (!path.starts_with('/'))
        path = WithTrailingSeparator(m_folder) + path;
    return WithTrailingSeparator(path);
}

std::optional<std::string> ConfirmCopyMove(Prompts& prompts, bool isMove, int count, const std::string& folder)
{
    TfrmCopyMoveConfirm frm(prompts, isMove, count, folder, MainWindow());
    CenterOnMainWindow(frm);
    if (frm.exec() != QDialog::Accepted)
        return std::nullopt;
    return frm.DestPath();
}
