#include "wizardfixture.h"

#include "optionvalues.h"
#include "tbatchwizard.h"
#include "testapplication.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "tpreviewmodel.h"

#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <dirent.h>

TFileInfo* TestPlaylist::FileAt(int row) const
{
    return row >= 0 && row < Count() ? m_rows[static_cast<std::size_t>(row)].get() : nullptr;
}

void WizardTest::SetUp()
{
    TestApplication();
    options::SetDefaultOptionValues();
}

void WizardTest::TearDown()
{
    options::SetDefaultOptionValues();
}

std::string WizardTest::Song(const std::string& name, std::optional<TagValues> v2, std::optional<TagValues> v1,
                             const std::string& folder)
{
    const std::string path = (folder.empty() ? dir.path() : folder) + "/" + name;
    WriteFile(path, AudioBytes(2000));
    if (v2) {
        Tmp3TagV2 tag;
        tag.SetArtist(v2->artist);
        tag.SetTitle(v2->title);
        tag.SetAlbum(v2->album);
        tag.SetTrack(v2->track);
        EXPECT_TRUE(tag.SaveToFile(path)) << tag.LastError();
    }
    if (v1) {
        Tmp3TagV1 tag;
        tag.SetArtist(v1->artist);
        tag.SetTitle(v1->title);
        tag.SetAlbum(v1->album);
        tag.SetTrack(v1->track);
        tag.SaveToFile(path);
    }
    playlist.Add(path);
    return path;
}

TagValues WizardTest::V1Of(const std::string& path)
{
    Tmp3TagV1 tag;
    tag.LoadFromFile(path);
    EXPECT_TRUE(tag.TagPresent()) << path;
    return {tag.Artist(), tag.Title(), tag.Album(), tag.Track()};
}

TagValues WizardTest::V2Of(const std::string& path)
{
    Tmp3TagV2 tag;
    tag.LoadFromFile(path);
    EXPECT_TRUE(tag.TagPresent()) << path;
    return {tag.Artist(), tag.Title(), tag.Album(), tag.Track()};
}

QStringList WizardTest::Texts(const TPreviewModel& model, int row)
{
    return model.RowAt(row).texts;
}

void WizardTest::Next(TBatchWizard& wizard)
{
    // The enabling the idle-time update would have made by now.
    wizard.UpdateWizardButtons();
    EXPECT_TRUE(wizard.btnNext->isEnabled()) << wizard.btnNext->text().toStdString();
    QTest::mouseClick(wizard.btnNext, Qt::LeftButton);
}

void WizardTest::NextUnprivileged(TBatchWizard& wizard)
{
    RunUnprivilegedHere([&] {
        Next(wizard);
        return 0;
    });
}

std::vector<std::string> WizardTest::Listing(const std::string& folder) const
{
    std::vector<std::string> names;
    DIR* d = opendir((folder.empty() ? dir.path() : folder).c_str());
    if (!d)
        return names;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}
