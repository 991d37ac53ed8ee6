#include "tagtoolsfixture.h"

#include "fakemixerbackend.h"
#include "tbatchwizard.h"
#include "testapplication.h"
#include "tfileinfo.h"
#include "tfrmmain.h"
#include "tfrmmp3tag.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTest>


#include <id3v2tag.h>
#include <mpegfile.h>

#include <sys/stat.h>
#include <unistd.h>

TagToolsTest::TagToolsTest() = default;
TagToolsTest::~TagToolsTest() = default;

std::vector<std::string> Captions(const TPlaylistModel& model)
{
    std::vector<std::string> out;
    for (int row = 0; row < model.Count(); ++row)
        out.push_back(model.index(row).data().toString().toStdString());
    return out;
}

void OnEditor(int& opened, const std::function<void(TfrmMp3Tag&)>& act)
{
    QTimer::singleShot(0, [&opened, act] {
        auto* dialog = qobject_cast<TfrmMp3Tag*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ++opened;
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        act(*dialog);
    });
}

void Click(TBatchWizard& wizard, QPushButton* button)
{
    wizard.UpdateWizardButtons();
    button->click();
}

void TagToolsTest::SetUp()
{
    TestApplication();
    m_oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome.path().c_str());
    OpenMainWindow();
}

void TagToolsTest::OpenMainWindow()
{
    frm = std::make_unique<TfrmMain>(prompts);
    frm->CreatePlayerControls(std::make_unique<FakeMediaBackend>(media),
                              [] { return std::make_unique<FakeMixerBackend>(std::make_shared<FakeMixerState>()); });
    frm->show();
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
}

void TagToolsTest::TearDown()
{
    frm.reset();
    QApplication::processEvents();
    qputenv("XDG_DATA_HOME", m_oldDataHome);
}

TPlaylistPane& TagToolsTest::playlist() const
{
    return *frm->playlist();
}

std::string TagToolsTest::AddSong(const std::string& name, const Tags* v2, const Tags* v1)
{
    const std::string path = dir.file(name);
    WriteFile(path, AudioBytes(3000));
    if (v2) {
        Tmp3TagV2 tag;
        tag.SetTitle(v2->title);
        tag.SetArtist(v2->artist);
        tag.SetAlbum(v2->album);
        tag.SetYear(v2->year);
        tag.SetGenre(v2->genre);
        tag.SetComment(v2->comment);
        tag.SetTrack(v2->track);
        EXPECT_TRUE(tag.SaveToFile(path)) << tag.LastError();
    }
    if (v1) {
        Tmp3TagV1 tag;
        tag.SetTrack(v1->track);
        tag.SetTitle(v1->title);
        tag.SetArtist(v1->artist);
        tag.SetAlbum(v1->album);
        tag.SetYear(v1->year);
        tag.SetGenre(v1->genre);
        tag.SetComment(v1->comment);
        tag.SaveToFile(path);
    }
    EXPECT_TRUE(playlist().AddFileToPlaylist(path));
    return path;
}

void TagToolsTest::Select(std::initializer_list<int> rows)
{
    QItemSelectionModel* selection = playlist().songsListView()->selectionModel();
    selection->clearSelection();
    for (int row : rows)
        selection->select(playlist().model()->index(row), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TagToolsTest::SelectFile(const std::string& path)
{
    for (int row = 0; row < playlist().Count(); ++row) {
        if (playlist().FileAt(row)->FullPath() == path)
            Select({row});
    }
}

std::unique_ptr<TfrmMp3Tag> TagToolsTest::OpenEditor()
{
    auto dialog = std::make_unique<TfrmMp3Tag>(playlist(), prompts, frm.get());
    dialog->show();
    dialog->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    // The widgets learn of the activation from a queued event.
    QApplication::processEvents();
    return dialog;
}

int TagToolsTest::Unprivileged(const std::function<int(std::string& report)>& body, std::string* report)
{
    if (::geteuid() == 0)
        ::chmod(dir.path().c_str(), 0777);
    std::string text;
    const int code = RunUnprivilegedHere([&] { return body(text); });
    if (report)
        *report = text;
    return code;
}

std::string TagToolsTest::Trailer(const std::string& path)
{
    const std::string bytes = ReadFile(path);
    return bytes.size() < 128 ? std::string() : bytes.substr(bytes.size() - 128);
}

std::string TagToolsTest::TagLibFrame(const std::string& path, const char* id)
{
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    if (!tag)
        return {};
    const TagLib::ID3v2::FrameList& frames = tag->frameListMap()[id];
    return frames.isEmpty() ? std::string() : frames.front()->toString().to8Bit(true);
}
