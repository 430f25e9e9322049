// SPDX-License-Identifier: GPL-3.0-or-later
// vfdctl: the display's exchanges and its settings files from a shell or a script. Qt Core and
// Qt Serial Port only: no window, no display server.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QSerialPortInfo>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/settings_view.h"
#include "link/port_names.h"
#include "link/qt/qt_clock.h"
#include "link/system_port.h"

namespace {

using vfd::cli::Arguments;
using vfd::cli::Report;

void write(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

std::string toStd(const QString& text) {
    return text.toStdString();
}

std::string extraHelp() {
    std::string keys;
    for (const auto& s : vfd::cli::kListSettings) {
        keys += "  " + std::string(s.key) + std::string(12 - s.key.size(), ' ') + "\"" +
                std::string(s.list->caption) + "\"\n";
    }
    for (const auto& m : vfd::cli::kMessageFields) {
        keys += "  " + std::string(m.scrollKey) + std::string(12 - m.scrollKey.size(), ' ') + "\"" +
                std::string(m.caption) + "\" Scroll: on or off\n";
    }
    return "\nCommands:\n" + vfd::cli::commandsHelp() +
           "\nPORT is \"Com n\" (1 to 255) or a device path such as /dev/ttyUSB0.\n"
           "\nKeys of make --set (the value is an entry of the list, as the configuration\n"
           "window shows it; \"(Default)\" may be left out):\n" +
           keys + "\nExit status:\n" + vfd::cli::exitCodeTable() +
           "\nOn failure the tools' own message, and beneath it what was seen, go to standard "
           "error.\n";
}

// What QSerialPortInfo knows of each serial device, by its path.
vfd::cli::PortFactsSource systemFacts() {
    auto known = std::make_shared<std::map<std::string, vfd::cli::PortFacts>>();
    auto looked = std::make_shared<bool>(false);
    return [known, looked](const std::string& device) -> std::optional<vfd::cli::PortFacts> {
        if (!*looked) {
            // One look at the system's ports: it reads sysfs for every tty.
            for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
                (*known)[toStd(info.systemLocation())] = {toStd(info.description()),
                                                          toStd(info.manufacturer()),
                                                          toStd(info.serialNumber())};
            }
            *looked = true;
        }
        const auto it = known->find(device);
        if (it == known->end()) {
            return std::nullopt;
        }
        return it->second;
    };
}

std::optional<std::string> valueOf(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name)) {
        return std::nullopt;
    }
    return toStd(parser.value(name));
}

int finish(const Report& report, bool json) {
    if (json || !report.told) {
        write(stdout, json ? report.json.dump() : report.text);
        write(stderr, vfd::cli::errorText(report));
    }
    return vfd::cli::toInt(report.code);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vfdctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VFD_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Downloads, reads back, identifies and decodes two-line VFD customer displays and\n"
        "their .vfd settings files, without a window."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print one JSON object instead of text."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("The display's port: \"Com n\" or a device path (download: repeat it for "
                       "several displays)."),
        QStringLiteral("PORT"));
    const QCommandLineOption line(
        QStringLiteral("line"),
        QStringLiteral("Line parameters speed,parity,data bits,stop bits (default 9600,n,8,1)."),
        QStringLiteral("PARAMETERS"));
    const QCommandLineOption emulation(
        QStringLiteral("emulation"),
        QStringLiteral("text: the display's command set, epson (default) or cd5220."),
        QStringLiteral("NAME"));
    const QCommandLineOption charset(
        QStringLiteral("charset"),
        QStringLiteral("text: the display's character set, an entry of \"Character Type\" "
                       "(default USA/Eurpope)."),
        QStringLiteral("SET"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("make: start from this settings file instead "
                                                 "of the configuration window's defaults."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption set(QStringLiteral("set"),
                                 QStringLiteral("make: set a list or a scroll box (repeatable)."),
                                 QStringLiteral("KEY=VALUE"));
    const QCommandLineOption message1(
        QStringLiteral("message1"),
        QStringLiteral("make: welcome message 1 as text, at most 20 characters."),
        QStringLiteral("TEXT"));
    const QCommandLineOption message2(
        QStringLiteral("message2"),
        QStringLiteral("make: welcome message 2 as text, at most 40 characters."),
        QStringLiteral("TEXT"));
    const QCommandLineOption message1Hex(
        QStringLiteral("message1-hex"),
        QStringLiteral("make: welcome message 1 as hexadecimal bytes (\"2A 2A 20\")."),
        QStringLiteral("HEX"));
    const QCommandLineOption message2Hex(
        QStringLiteral("message2-hex"),
        QStringLiteral("make: welcome message 2 as hexadecimal bytes."), QStringLiteral("HEX"));
    const QCommandLineOption udc(
        QStringLiteral("udc"),
        QStringLiteral("make: user-defined character N (1 to 9): its code and five dot columns "
                       "in hexadecimal, bit 0 the top row, e.g. 1:41:7E0909097E (repeatable)."),
        QStringLiteral("N:CODE:COLUMNS"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("make: the settings file to write."),
                                    QStringLiteral("FILE"));
    for (const auto* option :
         {&help, &version, &json, &port, &line, &emulation, &charset, &from, &set, &message1,
          &message2, &message1Hex, &message2Hex, &udc, &output}) {
        parser.addOption(*option);
    }
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ports, download, upload, identify, serial, "
                                                "text, show or make (see Commands)."),
                                 QStringLiteral("command [arguments]"));

    const bool wantsJson = QCoreApplication::arguments().contains(QStringLiteral("--json"));
    if (!parser.parse(QCoreApplication::arguments())) {
        return finish(vfd::cli::usageReport(toStd(parser.errorText())), wantsJson);
    }
    if (parser.isSet(help)) {
        write(stdout, toStd(parser.helpText()) + extraHelp());
        return 0;
    }
    if (parser.isSet(version)) {
        write(stdout, "vfdctl " VFD_VERSION "\n");
        return 0;
    }

    Arguments arguments;
    for (const QString& p : parser.positionalArguments()) {
        arguments.positional.push_back(toStd(p));
    }
    for (const QString& name : parser.optionNames()) {
        // -o is --output.
        const std::string longName = name == QStringLiteral("o") ? "output" : toStd(name);
        if (std::find(arguments.given.begin(), arguments.given.end(), longName) ==
            arguments.given.end()) {
            arguments.given.push_back(longName);
        }
    }
    for (const QString& p : parser.values(port)) {
        arguments.ports.push_back(toStd(p));
    }
    arguments.line = valueOf(parser, line.names().front());
    arguments.emulation = valueOf(parser, emulation.names().front());
    arguments.charset = valueOf(parser, charset.names().front());
    arguments.from = valueOf(parser, from.names().front());
    arguments.output = valueOf(parser, QStringLiteral("output"));
    arguments.json = parser.isSet(json);
    for (const QString& s : parser.values(set)) {
        arguments.edits.sets.push_back(toStd(s));
    }
    arguments.edits.message1 = valueOf(parser, message1.names().front());
    arguments.edits.message2 = valueOf(parser, message2.names().front());
    arguments.edits.message1Hex = valueOf(parser, message1Hex.names().front());
    arguments.edits.message2Hex = valueOf(parser, message2Hex.names().front());
    for (const QString& u : parser.values(udc)) {
        arguments.edits.characters.push_back(toStd(u));
    }

    const auto checked = vfd::cli::checkArguments(arguments);
    if (!checked.invocation) {
        return finish(vfd::cli::usageReport(checked.error), arguments.json);
    }

    vfd::link::SystemPort serialPort;
    vfd::link::QtClock clock;
    // Qt learns that the other end hung up (an adapter pulled out, a display switched off) only
    // in its event loop; without it a dead line would look like a silent display. The waits run
    // the loop in short slices, as they do for a window.
    clock.setWindowHooks([] { QCoreApplication::processEvents(); }, {});
    const QDate today = QDate::currentDate();
    vfd::cli::Environment environment{serialPort,
                                      clock,
                                      vfd::link::systemPortLookup(),
                                      {today.year(), today.month(), today.day()},
                                      systemFacts()};
    if (!arguments.json) {
        environment.progress = [](const std::string& out, const std::string& err) {
            write(stdout, out);
            write(stderr, err);
        };
    }
    return finish(vfd::cli::run(*checked.invocation, environment), arguments.json);
}
