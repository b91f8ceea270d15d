#include "LoginItem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace rimglider;
using Status = LoginItem::Status;

namespace {

void writeFile(const QString& path, const QByteArray& text,
               QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.setPermissions(permissions);
}

class LoginItemTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        // The user's folders as the desktop knows them, in a fresh home.
        savedHome = qgetenv("HOME");
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
        program = home.filePath("bin/rimglider");
        writeFile(program, {}, QFile::ReadOwner | QFile::ExeOwner);
    }
    void TearDown() override
    {
        qputenv("HOME", savedHome);
        if (savedConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", savedConfig);
    }

    std::unique_ptr<LoginItem> makeItem()
    {
        return std::make_unique<LoginItem>(LoginItem::standardAutostartDir(), [this] { return program; });
    }
    QString entryPath() const { return home.path() + "/.config/autostart/rimglider.desktop"; }
    void writeEntry(const QByteArray& text) const { writeFile(entryPath(), text); }
    QString readEntry() const
    {
        QFile file(entryPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir home;
    QByteArray savedHome;
    QByteArray savedConfig;
    QString program;
};

TEST_F(LoginItemTest, EnablingWritesAnAutostartEntryAndDisablingRemovesIt)
{
    auto item = makeItem();
    EXPECT_EQ(item->status(), Status::notRegistered);
    QSignalSpy statusSignals(item.get(), &LoginItem::statusChanged);
    item->setEnabled(true);
    EXPECT_EQ(item->status(), Status::enabled);
    const QString entry = readEntry();
    for (const char* line : {"[Desktop Entry]\n", "\nType=Application\n", "\nName=Rimglider\n", "\nIcon=rimglider\n",
                             "\nX-GNOME-Autostart-enabled=true\n", "\nNoDisplay=false\n", "\nComment="})
        EXPECT_TRUE(entry.contains(QString::fromLatin1(line))) << line;
    EXPECT_TRUE(entry.contains("\nExec=" + program + "\n")) << entry.toStdString();

    item->setEnabled(false);
    EXPECT_FALSE(QFile::exists(entryPath()));
    item->setEnabled(false); // nothing to remove is success
    EXPECT_TRUE(item->lastError().isEmpty());
    EXPECT_EQ(statusSignals.size(), 2);

    // Over an entry the desktop switched off, enabling switches it on again.
    writeEntry("[Desktop Entry]\nType=Application\nExec=/old/rimglider\nX-GNOME-Autostart-enabled=false\n");
    item = makeItem();
    item->setEnabled(true);
    EXPECT_EQ(item->status(), Status::enabled);
    EXPECT_FALSE(readEntry().contains(u"X-GNOME-Autostart-enabled=false"));
}

TEST_F(LoginItemTest, EntriesTheDesktopSwitchedOffRequireApproval)
{
    const std::pair<const char*, Status> cases[] = {
        {"Hidden=true\n", Status::requiresApproval},
        {"Hidden=True\n", Status::requiresApproval},
        {"X-GNOME-Autostart-enabled=false\n", Status::requiresApproval},
        {"X-GNOME-Autostart-enabled=FALSE\n", Status::requiresApproval},
        {"X-GNOME-Autostart-enabled=0\n", Status::requiresApproval},
        {"Hidden=false\nX-GNOME-Autostart-enabled=true\n", Status::enabled},
        {"Hidden=true\nHidden=false\n", Status::enabled}, // the later line wins
        {"Hidden[de]=true\n", Status::enabled},           // a translation is not the key
        {"# Hidden=true\n", Status::enabled},
        {"\n[Desktop Action Quit]\nHidden=true\n", Status::enabled}, // another group
    };
    for (const auto& [keys, expected] : cases) {
        SCOPED_TRACE(keys);
        writeEntry(QByteArray("[Desktop Entry]\nType=Application\nExec=/usr/bin/rimglider\n") + keys);
        EXPECT_EQ(makeItem()->status(), expected);
    }
}

TEST_F(LoginItemTest, WithoutItsOwnProgramThereIsNothingToRegister)
{
    LoginItem item(LoginItem::standardAutostartDir(), [] { return QString(); });
    item.setEnabled(true);
    EXPECT_EQ(item.status(), Status::notFound);
    EXPECT_FALSE(item.lastError().isEmpty());
    EXPECT_FALSE(QFile::exists(entryPath()));

    EXPECT_TRUE(LoginItem::runningExecutable().endsWith(u"RimgliderShellTests")); // this test program
}

TEST_F(LoginItemTest, FailedWritesAndRemovalsAreReportedWithTheStatusAsFound)
{
    writeFile(home.path() + "/.config/autostart", {}); // where the folder belongs: unwritable even for root
    auto item = makeItem();
    QSignalSpy errorSignals(item.get(), &LoginItem::lastErrorChanged);
    item->setEnabled(true);
    const QString prefix = QStringLiteral("Could not write ~/.config/autostart/rimglider.desktop: ");
    EXPECT_TRUE(item->lastError().startsWith(prefix) && item->lastError().size() > prefix.size())
        << item->lastError().toStdString();
    EXPECT_EQ(item->status(), Status::notRegistered);
    item->setEnabled(false); // a successful disable clears it
    EXPECT_TRUE(item->lastError().isEmpty());
    EXPECT_EQ(errorSignals.size(), 2);

    // A disk that takes no more bytes (a file size limit of 0): the write fails, not the open.
    QFile::remove(home.path() + "/.config/autostart");
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit full{0, limit.rlim_max};
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    item = makeItem();
    item->setEnabled(true);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(item->lastError().startsWith(prefix)) << item->lastError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(entryPath()));
    EXPECT_EQ(item->status(), Status::notRegistered);

    QDir().mkpath(entryPath() + "/inside"); // a folder in the entry's place cannot be removed as a file
    item = makeItem();
    item->setEnabled(false);
    EXPECT_TRUE(item->lastError().startsWith(u"Could not remove ~/.config/autostart/rimglider.desktop"))
        << item->lastError().toStdString();
    EXPECT_NE(item->status(), Status::notRegistered);
}

TEST_F(LoginItemTest, GlibsOwnLauncherStartsTheProgramWhateverItsPath)
{
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    ASSERT_FALSE(gio.isEmpty()) << "gio (libglib2.0-bin) is needed";
    // A stand-in program that says under which name it was started, in a folder every
    // character of which the entry must quote or escape.
    program = home.filePath("my apps/100% \"rim\" 'b' $HOME `c` \\d #e/rimglider");
    const QString ran = home.filePath("ran");
    writeFile(program, "#!/bin/sh\nprintf '%s' \"$0\" > \"$RAN\"\n", QFile::ReadOwner | QFile::ExeOwner);
    auto item = makeItem();
    item->setEnabled(true);
    ASSERT_EQ(item->status(), Status::enabled);
    QProcess launch;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("RAN"), ran);
    launch.setProcessEnvironment(environment);
    launch.start(gio, {QStringLiteral("launch"), entryPath()});
    ASSERT_TRUE(launch.waitForFinished(10000));
    EXPECT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString() << readEntry().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(ran).size() > 0; })) << readEntry().toStdString();
    QFile result(ran);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(result.readAll()), program);
}

} // namespace
