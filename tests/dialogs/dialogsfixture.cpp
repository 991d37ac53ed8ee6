#include "dialogsfixture.h"

#include "fakemixerbackend.h"
#include "optionvalues.h"
#include "testapplication.h"
#include "tfrmmain.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"

#include <QApplication>
#include <QDialog>
#include <QLocale>
#include <QSettings>
#include <QTest>
#include <QTimer>

void DialogsTest::SetUp()
{
    TestApplication();
    FreshStore();
    options::SetDefaultOptionValues();
    frm = std::make_unique<TfrmMain>(prompts);
    frm->CreatePlayerControls(std::make_unique<FakeMediaBackend>(media),
                              [] { return std::make_unique<FakeMixerBackend>(std::make_shared<FakeMixerState>()); });
    // Captions sort the same whatever the locale of the test run.
    model().SetCollationLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    frm->show();
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
}

void DialogsTest::TearDown()
{
    frm.reset();
    options::SetDefaultOptionValues();
    qApp->setStyleSheet(QString());
    QApplication::processEvents();
}

TPlaylistModel& DialogsTest::model() const
{
    return *frm->playlist()->model();
}

std::string DialogsTest::AddSong(const std::string& name, const std::string& artist, const std::string& title)
{
    const std::string path = dir.file(name);
    const bool tagged = !artist.empty() || !title.empty();
    WriteFile(path, (tagged ? Id3v2Tag(3, artist, title) : std::string()) + AudioBytes(1500)
                        + (tagged ? Id3v1Block(title, artist) : std::string()));
    EXPECT_TRUE(frm->playlist()->AddFileToPlaylist(path)) << name;
    return path;
}

std::vector<QString> DialogsTest::Captions() const
{
    std::vector<QString> out;
    for (int row = 0; row < model().Count(); ++row)
        out.push_back(model().index(row).data().toString());
    return out;
}

void DialogsTest::WithModal(const std::function<void()>& open, const std::function<void(QDialog&)>& drive)
{
    bool driven = false;
    QWidget* const owner = QApplication::activeWindow();
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!window) {
            ADD_FAILURE() << "no modal window shown";
            return;
        }
        // Keys go to the window the user sees, not to the main window.
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }));
        drive(*window);
        driven = true;
        if (window->isVisible()) {
            ADD_FAILURE() << "the window stayed open";
            window->reject();
        }
    });
    open();
    if (!driven)
        QApplication::processEvents(); // the timer must not outlive this frame
    EXPECT_TRUE(driven);
    // The window that opened it is active again, as the desktop makes it.
    if (owner) {
        owner->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([owner] { return QApplication::activeWindow() == owner; }));
    }
}

std::string DialogsTest::FreshStore()
{
    // A folder per store: QSettings keeps files it has read.
    const QString place = QString::fromStdString(dir.file("settings" + std::to_string(++m_stores)));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, place);
    return place.toStdString() + "/Orvanel Soft/Tunevault.conf";
}

QString DialogsTest::Stored(const std::string& file, const char* name)
{
    if (!Exists(file))
        return QStringLiteral("<no store>");
    return QSettings(QString::fromStdString(file), QSettings::IniFormat).value(QString::fromLatin1(name)).toString();
}
