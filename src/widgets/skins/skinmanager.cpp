#include "skinmanager.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <dirent.h>
#include <unistd.h>

#ifndef TV_SKINS_DATA_DIR
#define TV_SKINS_DATA_DIR "/usr/local/share/tunevault/Skins/"
#endif
#ifndef TV_SKINS_RELATIVE_DIR
#define TV_SKINS_RELATIVE_DIR "../share/tunevault/Skins/"
#endif

namespace {

// Which file a skin came from: QT_LOGGING_RULES="tunevault.skins.info=true".
Q_LOGGING_CATEGORY(lcSkins, "tunevault.skins", QtWarningMsg)

bool IsSafeSkinName(const QString& name)
{
    // A skin name is a plain file name; it must not reach another folder.
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".")
        && name != QLatin1String("..");
}

} // namespace

SkinManager::SkinManager()
    : m_directories(DefaultSkinDirectories())
{
}

void SkinManager::SetSkinDirectories(std::vector<std::string> directories)
{
    for (auto& d : directories) {
        if (!d.empty() && d.back() != '/')
            d += '/';
    }
    m_directories = std::move(directories);
}

std::vector<std::string> SkinManager::DefaultSkinDirectories()
{
    // The executable's folder as bytes, from the kernel's own link.
    std::array<char, 4096> buf {};
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n > 0) {
        const std::string exe(buf.data(), static_cast<std::size_t>(n));
        const auto slash = exe.rfind('/');
        if (slash != std::string::npos)
            return SkinDirectoriesFor(exe.substr(0, slash + 1));
    }
    return {TV_SKINS_DATA_DIR};
}

std::vector<std::string> SkinManager::SkinDirectoriesFor(const std::string& programFolder)
{
    std::vector<std::string> dirs;
    dirs.push_back(programFolder + "Skins/");
    const std::string installed =
        std::filesystem::path(programFolder + TV_SKINS_RELATIVE_DIR).lexically_normal().string();
    dirs.push_back(installed);
    if (installed != TV_SKINS_DATA_DIR)
        dirs.emplace_back(TV_SKINS_DATA_DIR);
    return dirs;
}

QStringList SkinManager::AvailableSkins() const
{
    QStringList names;
    for (const auto& dir : m_directories) {
        DIR* d = opendir(dir.c_str());
        if (!d)
            continue;
        while (const dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".qss") == 0 && n[0] != '.')
                names << QFile::decodeName(QByteArray::fromStdString(n.substr(0, n.size() - 4)));
        }
        closedir(d);
    }
    names.sort(Qt::CaseInsensitive);
    names.removeDuplicates();
    return names;
}

QString SkinManager::StyleSheetOf(const QString& name) const
{
    if (!IsSafeSkinName(name))
        return {};
    const std::string file = QFile::encodeName(name).toStdString() + ".qss";
    for (const auto& dir : m_directories) {
        std::ifstream in(dir + file, std::ios::binary);
        if (!in)
            continue;
        std::stringstream text;
        text << in.rdbuf();
        qCInfo(lcSkins, "skin %s from %s%s", qPrintable(name), dir.c_str(), file.c_str());
        return QString::fromStdString(text.str());
    }
    return {};
}

bool SkinManager::Activate()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    const QString sheet = StyleSheetOf(m_skinName);
    if (app)
        app->setStyleSheet(sheet);
    return !sheet.isEmpty();
}
