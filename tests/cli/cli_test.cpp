// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's logic without the program: arguments, the commands against the virtual
// display's firmware on a scripted port, the settings shown and the edits of make.
#include <gtest/gtest.h>

#include <algorithm>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/settings_edit.h"
#include "cli/settings_view.h"
#include "file/settings_file.h"
#include "support/default_image.h"
#include "support/devices.h"
#include "support/fake_clock.h"
#include "support/fake_port.h"
#include "support/firmware_responder.h"

namespace vfd::cli {
namespace {

using testing::FakeClock;
using testing::FakePort;
using testing::FirmwareResponder;
using Bytes = std::vector<std::uint8_t>;

// An argument list as the option parser leaves it: positional words, then options by name.
Arguments argumentsOf(std::vector<std::string> positional,
                      std::vector<std::pair<std::string, std::string>> options = {}) {
    Arguments a;
    a.positional = std::move(positional);
    for (const auto& [name, value] : options) {
        if (std::find(a.given.begin(), a.given.end(), name) == a.given.end()) {
            a.given.push_back(name);
        }
        if (name == "port") {
            a.ports.push_back(value);
        } else if (name == "line") {
            a.line = value;
        } else if (name == "emulation") {
            a.emulation = value;
        } else if (name == "charset") {
            a.charset = value;
        } else if (name == "output") {
            a.output = value;
        } else if (name == "json") {
            a.json = true;
        } else if (name == "set") {
            a.edits.sets.push_back(value);
        } else if (name == "message1") {
            a.edits.message1 = value;
        }
    }
    return a;
}

struct ArgumentCase {
    const char* what;
    Arguments arguments;
    const char* error;  // a part of the usage error; empty for a valid command line
};

TEST(CliArguments, EachCommandTakesWhatItNeedsAndNothingElse) {
    const ArgumentCase cases[] = {
        {"no command", argumentsOf({}), "no command given"},
        {"unknown command", argumentsOf({"frobnicate"}), "\"frobnicate\" is not a command"},
        {"no port", argumentsOf({"identify"}), "identify needs --port"},
        {"two ports for a query", argumentsOf({"serial"}, {{"port", "Com 1"}, {"port", "Com 2"}}),
         "serial takes one --port"},
        {"a port for show", argumentsOf({"show", "a.vfd"}, {{"port", "Com 1"}}),
         "show does not take --port"},
        {"download without a file", argumentsOf({"download"}, {{"port", "Com 1"}}),
         "usage: vfdctl download FILE.vfd"},
        {"three lines of text", argumentsOf({"text", "a", "b", "c"}, {{"port", "Com 1"}}),
         "usage: vfdctl text"},
        {"unknown emulation", argumentsOf({"text", "a"}, {{"port", "x"}, {"emulation", "aedex"}}),
         "--emulation takes epson or cd5220, not \"aedex\""},
        {"unknown character set", argumentsOf({"text", "a"}, {{"port", "x"}, {"charset", "MARS"}}),
         "\"MARS\" is not an entry of \"Character Type\""},
        {"bad line parameters", argumentsOf({"identify"}, {{"port", "x"}, {"line", "9600,x,8,1"}}),
         "--line \"9600,x,8,1\" is not valid"},
        {"make without -o", argumentsOf({"make"}, {{"set", "charset=FRANCE"}}), "make needs -o"},
        {"--json everywhere", argumentsOf({"ports"}, {{"json", ""}}), ""},
        {"several ports for download",
         argumentsOf({"download", "a.vfd"}, {{"port", "Com 1"}, {"port", "/dev/pts/9"}}), ""},
        {"text in CD5220 with GERMANY",
         argumentsOf({"text", "a", "b"},
                     {{"port", "x"}, {"emulation", "CD5220"}, {"charset", "germany"}}),
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto checked = checkArguments(c.arguments);
        if (*c.error == '\0') {
            EXPECT_TRUE(checked.invocation) << checked.error;
        } else {
            EXPECT_FALSE(checked.invocation);
            EXPECT_NE(checked.error.find(c.error), std::string::npos) << checked.error;
        }
    }
    const auto text = checkArguments(argumentsOf(
        {"text", "a", "b"}, {{"port", "x"}, {"emulation", "CD5220"}, {"charset", "germany"}}));
    EXPECT_EQ(text.invocation->emulation, TextEmulation::Cd5220);
    EXPECT_EQ(text.invocation->characterSet, 2);
    EXPECT_EQ(text.invocation->line, "9600,n,8,1");
}

// A display on a scripted port behind "Com 1", with the date of the worked example.
class CliOnFirmware : public ::testing::Test {
protected:
    void start(sim::FirmwareOptions options = {}) {
        display = std::make_unique<FirmwareResponder>(port, clock, std::move(options));
    }
    Report run(Arguments a) {
        const auto checked = checkArguments(a);
        EXPECT_TRUE(checked.invocation) << checked.error;
        if (!checked.invocation) {
            return {};
        }
        Environment env{port,
                        clock,
                        link::PortLookup{"/ports", [](const std::string&) { return true; }},
                        device::Date{2026, 12, 6},
                        {}};
        env.progress = progress;
        Report report = cli::run(*checked.invocation, env);
        EXPECT_FALSE(port.isOpen());
        return report;
    }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    std::string fileWith(const device::SettingsImage& image, const char* name = "in.vfd") {
        EXPECT_EQ(file::writeSettingsFile(path(name), image.body()), "");
        return path(name);
    }
    static std::string firstError(const Report& r) {
        return r.errors.empty() ? std::string() : r.errors.front().text;
    }

    std::function<void(const std::string&, const std::string&)> progress;
    QTemporaryDir dir;
    FakeClock clock;
    FakePort port{clock};
    std::unique_ptr<FirmwareResponder> display;
};

TEST_F(CliOnFirmware, DownloadPutsTheFileIntoTheDisplay) {
    start();
    device::SettingsImage image = windowDefaults();
    image.setEmulation(device::Emulation::Cd5220);
    image.set(device::udcRecordStart(9), 0x7E);
    const Report r = run(argumentsOf({"download", fileWith(image)}, {{"port", "Com 1"}}));
    EXPECT_EQ(r.code, ExitCode::Success);
    EXPECT_EQ(r.text, "Com 1  Download O.K ! Please restart !\n");
    EXPECT_EQ(display->firmware().settings(), image.body());
    EXPECT_EQ(port.openedName(), "/ports/COM1");
}

TEST_F(CliOnFirmware, ADownloadToSeveralPortsTellsEachPortAsSoonAsItIsDone) {
    start();
    std::vector<std::pair<std::string, std::string>> told;
    progress = [&](const std::string& out, const std::string& err) {
        told.emplace_back(out, err);
        // Each port is told before the next one is opened.
        EXPECT_LE(port.openCount(), static_cast<int>(told.size()));
    };
    const Report r = run(argumentsOf({"download", fileWith(windowDefaults())},
                                     {{"port", "Com 1"}, {"port", "COM1"}, {"port", "nowhere"}}));
    EXPECT_TRUE(r.told);
    EXPECT_EQ(r.code, ExitCode::PortFailed);
    ASSERT_EQ(told.size(), 3U);
    EXPECT_EQ(told[0], std::make_pair(std::string("Com 1    Download O.K ! Please restart !\n"),
                                      std::string()));
    EXPECT_EQ(told[1].first, "COM1     Download O.K ! Please restart !\n");
    EXPECT_EQ(told[2].first.substr(0, 21), "nowhere  \"nowhere\" is");
    EXPECT_EQ(told[2].second, told[2].first.substr(9));
}

struct FaultCase {
    const char* what;
    sim::Faults faults;
    ExitCode code;
    const char* message;
};

TEST_F(CliOnFirmware, ADownloadThatFailsEndsWithTheWindowsMessageAndItsExitCode) {
    sim::Faults silent;
    silent.noReply = true;
    sim::Faults wrong;
    wrong.wrongCheck = true;
    sim::Faults hangUp;
    hangUp.hangUpAfter = 5;
    const FaultCase cases[] = {
        {"no answer", silent, ExitCode::NoAnswer, "Download Fail ! Please retry again !"},
        {"wrong check byte", wrong, ExitCode::WrongAnswer,
         "IRC check error ! Please retry again !"},
        // A lost line keeps the download's own failure message; the exit code tells it apart.
        {"hang-up", hangUp, ExitCode::LineLost, "Download Fail ! Please retry again !"},
    };
    const std::string file = fileWith(windowDefaults());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim::FirmwareOptions options;
        options.faults = c.faults;
        start(options);
        const device::BodyBytes before = display->firmware().settings();
        const Report r = run(argumentsOf({"download", file}, {{"port", "Com 1"}}));
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(firstError(r), c.message);
        EXPECT_EQ(r.text, "Com 1  " + std::string(c.message) + "\n");
        EXPECT_EQ(display->firmware().settings(), before);
    }
}

TEST_F(CliOnFirmware, DownloadChecksTheFileAsLoadDoesBeforeAnyPortIsOpened) {
    start();
    std::ofstream(path("short.vfd"), std::ios::binary) << "too short";
    device::SettingsImage foreign = windowDefaults();
    foreign.set(device::image_index::kCommand, 10);
    for (const std::string& file : {path("short.vfd"), fileWith(foreign, "foreign.vfd")}) {
        const Report r = run(argumentsOf({"download", file}, {{"port", "Com 1"}}));
        EXPECT_EQ(r.code, ExitCode::BadFile);
        EXPECT_EQ(firstError(r), "Error");
        EXPECT_NE(r.errors.front().detail.find(file + " can't be loaded: "), std::string::npos);
        EXPECT_EQ(port.openCount(), 0);
    }
}

TEST_F(CliOnFirmware, UploadSavesTheDisplaysMemoryAndNothingWhenTheAnswerIsWrong) {
    device::SettingsImage stored = windowDefaults();
    stored.setCharacterSet(device::CharacterSet::Greek);
    sim::FirmwareOptions options;
    options.memory = stored.body();
    start(options);
    const Report r = run(argumentsOf({"upload", path("out.vfd")}, {{"port", "Com 1"}}));
    EXPECT_EQ(r.code, ExitCode::Success);
    EXPECT_EQ(r.text, "Upload O.K!\n");
    EXPECT_EQ(*file::loadSettingsFile(path("out.vfd")).body, stored.body());

    sim::Faults shortReply;
    shortReply.shortReply = 5;
    sim::Faults badMarker;
    badMarker.badMarker = true;
    const FaultCase cases[] = {
        {"short", shortReply, ExitCode::WrongAnswer,
         "The display answered only 5 of 127 bytes. Nothing was saved."},
        {"bad marker", badMarker, ExitCode::WrongAnswer, "Receive Check bit Error !!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        options.faults = c.faults;
        start(options);
        const Report failed = run(argumentsOf({"upload", path("failed.vfd")}, {{"port", "Com 1"}}));
        EXPECT_EQ(failed.code, c.code);
        EXPECT_EQ(firstError(failed), c.message);
        EXPECT_FALSE(std::filesystem::exists(path("failed.vfd")));
        // Nor is a file that was there touched.
        const Report kept = run(argumentsOf({"upload", path("out.vfd")}, {{"port", "Com 1"}}));
        EXPECT_EQ(kept.code, c.code);
        EXPECT_EQ(*file::loadSettingsFile(path("out.vfd")).body, stored.body());
    }
}

TEST_F(CliOnFirmware, IdentifyAndSerialPrintWhatTheDisplayAnswered) {
    sim::FirmwareOptions options;
    options.serial = "12345678";
    start(options);
    EXPECT_EQ(run(argumentsOf({"identify"}, {{"port", "Com 1"}})).text, "PID:3524\n");
    EXPECT_EQ(run(argumentsOf({"serial"}, {{"port", "Com 1"}})).text, "12345678\n");

    options.pid = "PID:35\x01Z";
    start(options);
    const Report wrong = run(argumentsOf({"identify"}, {{"port", "Com 1"}}));
    EXPECT_EQ(wrong.code, ExitCode::WrongAnswer);
    EXPECT_EQ(wrong.text, "PID:35\\x01Z\n");
    EXPECT_EQ(firstError(wrong), "VFD PID is Error.");

    options.faults.noSerial = true;
    start(options);
    const Report none = run(argumentsOf({"serial"}, {{"port", "Com 1"}}));
    EXPECT_EQ(none.code, ExitCode::NoAnswer);
    EXPECT_EQ(firstError(none), "NO S/N");
    EXPECT_EQ(none.text, "");
}

TEST_F(CliOnFirmware, TextSendsTheLinesInTheEmulationsCommandsAndTheDisplaysCharacters) {
    start();
    struct Case {
        const char* emulation;
        const char* charset;
        std::vector<std::string> lines;
        Bytes sent;
    };
    const Case cases[] = {
        {"epson", "USA/Eurpope", {"AB"}, {0x1B, 0x40, 'A', 'B'}},
        {"epson", "GERMANY", {"Ä", "ß"}, {0x1B, 0x40, 0x5B, 0x1F, 0x24, 1, 2, 0x7E}},
        {"cd5220",
         "RUSSIA",
         {"Да", "x"},
         {0x1B, 0x40, 0x1B, 0x51, 0x41, 0x84, 0xA0, 0x0D, 0x1B, 0x51, 0x42, 'x', 0x0D}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.emulation + std::string(" ") + c.charset);
        port.clearWritten();
        std::vector<std::string> words = {"text"};
        words.insert(words.end(), c.lines.begin(), c.lines.end());
        const Report r = run(argumentsOf(
            words, {{"port", "Com 1"}, {"emulation", c.emulation}, {"charset", c.charset}}));
        EXPECT_EQ(r.code, ExitCode::Success);
        EXPECT_EQ(port.writtenData(), c.sent);
    }

    for (const char* refused : {"[", "twenty-one characters"}) {
        const Report r =
            run(argumentsOf({"text", refused}, {{"port", "Com 1"}, {"charset", "GERMANY"}}));
        EXPECT_EQ(r.code, ExitCode::Usage) << refused;
    }
}

TEST_F(CliOnFirmware, FilesAreWrittenAsSaveWritesThemNameRefusalIncluded) {
    start();
    std::filesystem::create_directory(path("sub"));
    const Report refused = run(argumentsOf({"make"}, {{"output", path("sub/VFD.vfd")}}));
    EXPECT_EQ(refused.code, ExitCode::BadFile);
    EXPECT_EQ(firstError(refused), "VFD.vfd can't be saved");
    EXPECT_EQ(run(argumentsOf({"upload", path("VFD.vfd")}, {{"port", "Com 1"}})).code,
              ExitCode::BadFile);
    EXPECT_EQ(port.openCount(), 0);

    // A longer file keeps its bytes after the 126th, as Save keeps them.
    std::ofstream(path("long.vfd"), std::ios::binary) << std::string(130, 'x');
    ASSERT_EQ(run(argumentsOf({"make"}, {{"output", path("long.vfd")}})).code, ExitCode::Success);
    std::ifstream in(path("long.vfd"), std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(written.size(), 130U);
    EXPECT_EQ(written.substr(126), "xxxx");
    EXPECT_EQ(static_cast<std::uint8_t>(written[5]), 1);  // "EPSON (Default)"
    EXPECT_FALSE(std::filesystem::exists(path("sub/VFD.vfd")));
}

TEST_F(CliOnFirmware, APortThatCannotBeOpenedIsNamedWithItsReason) {
    start();
    port.setOpenResult(link::PortError::Busy);
    const Report r = run(argumentsOf({"identify"}, {{"port", "Com 1"}}));
    EXPECT_EQ(r.code, ExitCode::PortFailed);
    EXPECT_EQ(firstError(r), "Com 1 can't be opened: another program is using it (/ports/COM1).");
}

TEST_F(CliOnFirmware, TheJsonOutputIsOneObjectWithTheOutcome) {
    sim::FirmwareOptions options;
    options.faults.noReply = true;
    start(options);
    Arguments a = argumentsOf({"identify"}, {{"port", "Com 1"}, {"json", ""}});
    const std::string out = run(a).json.dump();
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << out;
    EXPECT_EQ(o["command"].toString(), "identify");
    EXPECT_EQ(o["exitCode"].toInt(), 4);
    EXPECT_EQ(o["outcome"].toString(), "no-answer");
    EXPECT_TRUE(o["identity"].isNull());
    EXPECT_EQ(o["errors"].toArray().at(0).toObject()["message"].toString(), "VFD PID is Error.");
}

TEST(CliPorts, ListsThePortsThatOpenWithWhatTheSystemKnowsOfThem) {
    FakeClock clock;
    FakePort port{clock};
    const std::vector<std::string> present = {"/ports/COM2", testing::deviceOf(33),
                                              testing::deviceOf(34)};
    Environment env{port, clock,
                    link::PortLookup{"/ports",
                                     [&](const std::string& device) {
                                         return std::find(present.begin(), present.end(), device) !=
                                                present.end();
                                     }},
                    device::Date{}, [](const std::string& device) -> std::optional<PortFacts> {
                        if (device == testing::deviceOf(33)) {
                            return PortFacts{"FT232R USB UART", "FTDI", "A1B2C3"};
                        }
                        return std::nullopt;
                    }};
    Invocation ports;
    ports.command = Command::Ports;
    const Report found = run(ports, env);
    // The device column is as wide as its longest entry.
    std::string usb0 = testing::deviceOf(33);
    usb0.resize(std::max({usb0.size(), testing::deviceOf(34).size(), std::size_t{11}}), ' ');
    std::string expected = "Com 2   /ports/COM2\nCom 33  ";
    expected += usb0;
    expected += "  FT232R USB UART  A1B2C3\nCom 34  ";
    expected += testing::deviceOf(34);
    expected += '\n';
    EXPECT_EQ(found.text, expected);
    // Nothing is opened that the file system does not have, and everything is closed again.
    EXPECT_EQ(port.openCount(), 3);
    EXPECT_FALSE(port.isOpen());

    port.setOpenResult(link::PortError::Busy);
    const Report none = run(ports, env);
    EXPECT_EQ(none.code, ExitCode::Success);
    EXPECT_EQ(none.text, "No port could be opened\n");
}

TEST(CliMake, DefaultsAreWhatANewConfigurationWindowSaves) {
    EXPECT_EQ(windowDefaults().bytes(), testing::defaultFilledImage());
}

TEST(CliMake, EditsTakeTheEntriesAsTheWindowShowsThem) {
    struct Case {
        std::string set;
        int index;
        int value;
    };
    const Case cases[] = {
        {"emulation=CD5220", 6, 7},
        {"emulation=epson", 6, 1},
        {"emulation=EPSON (Default)", 6, 1},
        {"charset=GERMANY", 4, 2},
        {"charset=usa/eurpope", 4, 0},
        {"charset=denmark  ii", 4, 10},
        {"charset=13", 4, 13},
        {"speed=19200", 2, 1},
        {"speed=9600,n,8,1", 2, 0},
        {"passthru=without ESC/POS command", 68, 2},
        {"passthru=None (Default)", 68, 0},
        {"standby=5 minutes", 1, 5},
        {"standby=10", 1, 10},
        {"scroll1=off", 3, 1},
        {"scroll2=no", 3, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        device::SettingsImage image = windowDefaults();
        Edits edits;
        edits.sets = {c.set};
        ASSERT_EQ(applyEdits(image, edits), "");
        EXPECT_EQ(image.at(c.index), c.value);
    }
}

TEST(CliMake, MessagesAreTypedInTheCharacterSetTheFileEndsUpWith) {
    device::SettingsImage image = windowDefaults();
    Edits edits;
    edits.sets = {"charset=GERMANY", "scroll1=off", "scroll2=off"};
    edits.message1 = "Grüße";
    edits.message2Hex = "41 4";
    EXPECT_NE(applyEdits(image, edits), "") << "odd hexadecimal digits";
    edits.message2Hex = "41 42";
    edits.characters = {"2:41:7E0909097E"};
    ASSERT_EQ(applyEdits(image, edits), "");
    const Bytes message1(image.bytes().begin() + 7, image.bytes().begin() + 27);
    EXPECT_EQ(message1,
              (Bytes{'G', 'r', 0x7D, 0x7E, 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(image.at(27), 0x41);
    EXPECT_EQ(image.at(29), 0);
    EXPECT_EQ(image.at(3), 3);
    EXPECT_EQ(image.at(75), 0x41);
    EXPECT_EQ(image.at(80), 0x7E);
}

TEST(CliMake, AValueTheWindowWouldNotTakeIsRefusedAndChangesNothing) {
    const std::vector<std::pair<Edits, const char*>> cases = [] {
        std::vector<std::pair<Edits, const char*>> rows;
        auto row = [&](auto fill, const char* error) {
            Edits e;
            fill(e);
            rows.emplace_back(e, error);
        };
        row([](Edits& e) { e.sets = {"emulation=VT100"}; }, "is not an entry of \"Command Mode\"");
        row([](Edits& e) { e.sets = {"speed=38400"}; }, "is not an entry of \"BaudRate Select\"");
        row([](Edits& e) { e.sets = {"standby=11"}; }, "is not an entry of");
        row([](Edits& e) { e.sets = {"colour=red"}; }, "there is no setting \"colour\"");
        row([](Edits& e) { e.sets = {"scroll1=maybe"}; }, "takes on or off");
        row([](Edits& e) { e.message1 = "twenty-one characters"; }, "holds 20 characters");
        row([](Edits& e) { e.message2 = "€"; }, "is not in the display's character set");
        row([](Edits& e) { e.characters = {"10:41"}; }, "numbered 1 to 9");
        row([](Edits& e) { e.characters = {"1:7F"}; }, "0x20~0x7E");
        row([](Edits& e) { e.characters = {"1:41:80"}; }, "five bytes");
        row([](Edits& e) { e.characters = {"1:41:8000000000"}; }, "at most 7F");
        return rows;
    }();
    for (const auto& [edits, error] : cases) {
        SCOPED_TRACE(error);
        device::SettingsImage image = windowDefaults();
        const std::string got = applyEdits(image, edits);
        EXPECT_NE(got.find(error), std::string::npos) << got;
        EXPECT_EQ(image, windowDefaults());
    }
}

TEST(CliShow, NamesEverySettingByItsListAndDrawsTheCharacters) {
    device::SettingsImage image = windowDefaults();
    image.setCharacterSet(device::CharacterSet::Germany);
    image.set(device::image_index::kPassthru, 7);
    image.set(device::image_index::kMessage1, 0x5B);
    image.set(device::udcRecordStart(3), 0x41);
    image.set(device::udcRecordStart(3) + 1, 0x41);  // rows 0 and 6 of the first column
    const std::string text = settingsText(image, "x.vfd");
    for (const char* line :
         {"Character Type                 GERMANY\n",
          "Command Mode                   EPSON (Default)\n",
          "BaudRate Select                9600,n,8,1 (Default)\n",
          "Passthru Mode                  7 (not in the list \"Passthru\")\n",
          "Time To enter Stand-by Status  No Stand-by Status (Default)\n",
          "  Text    |Ä** VFD DISPLAY  ***|\n", "User Defined Character 3  code 41 (\"A\")\n",
          "  #....\n  .....\n", "User Defined Character 1, 2, 4, 5, 6, 7, 8, 9: empty\n",
          "(On the display every code 41 (\"A\") shows User Defined Character 3.)\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n---\n" << text;
    }

    const std::string out = settingsJson(image).dump();
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    const QJsonObject charset = o["settings"].toObject()["charset"].toObject();
    EXPECT_EQ(charset["caption"].toString(), "Character Type");
    EXPECT_EQ(charset["entry"].toString(), "GERMANY");
    EXPECT_TRUE(o["settings"].toObject()["passthru"].toObject()["entry"].isNull());
    const QJsonObject message1 = o["messages"].toArray().at(0).toObject();
    EXPECT_EQ(message1["text"].toString(), QString::fromUtf8("Ä** VFD DISPLAY  ***"));
    EXPECT_TRUE(message1["scroll"].toBool());
    EXPECT_EQ(o["characters"].toArray().at(2).toObject()["dots"].toArray().at(6).toString(),
              "#....");
}

TEST(CliDisplayText, EveryCodeOfASetComesBackAsTheSameCode) {
    for (int set = 0; set < device::kCharacterSetCount; ++set) {
        for (int code = 0x20; code <= 0xFF; ++code) {
            const Bytes one = {static_cast<std::uint8_t>(code)};
            const std::string shown = displayedText(one, set);
            if (shown == "\xEF\xBF\xBD") {
                continue;  // a code the set leaves unassigned
            }
            const EncodedText back = encodeForDisplay(shown, set);
            ASSERT_EQ(back.error, "") << "set " << set << " code " << code;
            // A character some sets have twice comes back as its first code.
            EXPECT_EQ(displayedText(back.codes, set), shown);
        }
    }
}

}  // namespace
}  // namespace vfd::cli
