#pragma once
// Skins: a skin is a Qt style sheet NAME.qss in a "Skins" folder beside the
// program or in the installed data folder. Activating a skin sets the
// application's style sheet, which paints every window; an unknown or empty
// name gives the plain style.

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class SkinManager final {
public:
    SkinManager();

    // Folders searched for skins, in order of preference (bytes, each ending with '/').
    void SetSkinDirectories(std::vector<std::string> directories);
    const std::vector<std::string>& SkinDirectories() const { return m_directories; }

    void SetSkinName(const QString& name) { m_skinName = name; }
    const QString& SkinName() const { return m_skinName; }

    // Names of the skins found in every folder, sorted, without duplicates.
    QStringList AvailableSkins() const;

    // The style sheet of a skin; empty when no folder holds it.
    QString StyleSheetOf(const QString& name) const;

    // Applies the current skin to the application. Returns false (and applies
    // the plain style) when the skin is not found.
    bool Activate();

    // "Skins/" beside the running executable, then the installed data folder.
    static std::vector<std::string> DefaultSkinDirectories();
    // For a program in `programFolder` (ending with '/'): "Skins/" in it, the
    // data folder at the same place relative to it as after installation
    // (PREFIX/share/tunevault/Skins/ for PREFIX/bin/, wherever PREFIX is),
    // then the data folder of the configured prefix.
    static std::vector<std::string> SkinDirectoriesFor(const std::string& programFolder);

private:
    std::vector<std::string> m_directories;
    QString m_skinName;
};
