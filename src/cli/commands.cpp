// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/display_text.h"
#include "cli/settings_edit.h"
#include "cli/settings_view.h"
#include "device/protocol.h"
#include "device/settings_file.h"
#include "file/save_file.h"
#include "file/settings_file.h"
#include "link/exchanges.h"
#include "link/port_choice.h"
#include "link/transfer.h"

namespace vfd::cli {

namespace {

namespace fs = std::filesystem;
using device::SettingsImage;

Json wordsJson(const ui::Words& words) {
    Json j = Json::object();
    j.set("message", words.text).set("detail", words.detail);
    return j;
}

// The first failure decides the exit code; later ones are still reported.
void fail(Report& report, ExitCode code, ui::Words words) {
    if (report.code == ExitCode::Success) {
        report.code = code;
    }
    report.errors.push_back(std::move(words));
}

void finish(Report& report) {
    Json errors = Json::array();
    for (const auto& words : report.errors) {
        errors.push(wordsJson(words));
    }
    report.json.set("exitCode", toInt(report.code))
        .set("outcome", nameOf(report.code))
        .set("errors", std::move(errors));
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

std::span<const std::uint8_t> bytesOf(const std::vector<std::uint8_t>& bytes) {
    return {bytes.data(), bytes.size()};
}

struct OpenedPort {
    std::optional<link::PortChoice> choice;
    link::PortFailure failure;
};

// Chooses and opens the port the command line names, as the windows do with their port list.
OpenedPort openNamedPort(Environment& env, const std::string& portText, const std::string& line) {
    OpenedPort opened;
    auto chosen = link::choosePort(portText, line, env.lookup);
    if (!chosen.choice) {
        opened.failure = std::move(chosen.failure);
        return opened;
    }
    if (auto failure = link::openChosenPort(env.port, *chosen.choice)) {
        opened.failure = std::move(failure);
        return opened;
    }
    opened.choice = std::move(chosen.choice);
    return opened;
}

ui::Words portWords(const link::PortFailure& failure) {
    return {ui::textFor(failure, ui::Tool::Zoravel), {}};
}

// The settings file a download or a make starts from, checked as Load checks it.
std::optional<device::BodyBytes> loadFile(Report& report, const std::string& path) {
    const auto read = file::loadSettingsFile(path);
    if (!read.body) {
        fail(report, ExitCode::BadFile,
             {std::string(ui::kLoadErrorText), ui::loadFailureText(path, read.error)});
    }
    return read.body;
}

// Writes a settings file as Save does: never half-written, and never under the name the
// configuration tool refuses.
bool saveFile(Report& report, const std::string& path, const device::BodyBytes& body) {
    if (fs::path(path).filename() == ui::kRefusedSaveName) {
        fail(report, ExitCode::BadFile, {std::string(ui::kRefusedSaveText), {}});
        return false;
    }
    if (const std::string problem = file::writeSettingsFile(path, body); !problem.empty()) {
        fail(report, ExitCode::BadFile, {ui::saveFailureText(path, problem), {}});
        return false;
    }
    return true;
}

Report runDownload(const Invocation& inv, Environment& env) {
    Report report;
    report.json.set("command", "download").set("file", inv.file);
    const auto body = loadFile(report, inv.file);
    if (!body) {
        return report;
    }
    std::size_t width = 0;
    for (const auto& p : inv.ports) {
        width = std::max(width, p.size());
    }
    Json ports = Json::array();
    int sent = 0;
    for (const std::string& portText : inv.ports) {
        Json entry = Json::object();
        entry.set("port", portText);
        ui::Words words;
        ExitCode code = ExitCode::Success;
        const OpenedPort opened = openNamedPort(env, portText, inv.line);
        if (!opened.choice) {
            words = portWords(opened.failure);
            code = exitCodeFor(opened.failure);
        } else {
            entry.set("device", opened.choice->device);
            const auto result =
                link::downloadSettings(env.port, env.clock, device::dateStamp(env.today), *body);
            if (result.outcome == link::DownloadOutcome::Sent) {
                link::delayMs(env.clock, env.downloadSettleMs);
                ++sent;
            }
            words = ui::wordsFor(result, {opened.choice->label, inv.line});
            code = exitCodeFor(result.outcome);
        }
        const std::string line = padded(portText, width) + "  " + words.text + "\n";
        report.text += line;
        if (env.progress) {
            Report one;
            if (code != ExitCode::Success) {
                one.errors.push_back(words);
            }
            env.progress(line, errorText(one));
            report.told = true;
        }
        entry.set("exitCode", toInt(code))
            .set("outcome", nameOf(code))
            .set("message", words.text)
            .set("detail", words.detail);
        ports.push(std::move(entry));
        if (code != ExitCode::Success) {
            fail(report, code, words);
        }
    }
    report.json.set("ports", std::move(ports)).set("downloaded", sent);
    return report;
}

Report runUpload(const Invocation& inv, Environment& env) {
    Report report;
    const std::string& portText = inv.ports.front();
    report.json.set("command", "upload").set("file", inv.file).set("port", portText);
    // Refused before the display is asked, so that a name Save would refuse costs no exchange.
    if (fs::path(inv.file).filename() == ui::kRefusedSaveName) {
        fail(report, ExitCode::BadFile, {std::string(ui::kRefusedSaveText), {}});
        return report;
    }
    if (const std::string what = file::notARegularFile(inv.file); !what.empty()) {
        fail(report, ExitCode::BadFile,
             {ui::saveFailureText(inv.file, "it is " + what + ", not a regular file"), {}});
        return report;
    }
    const OpenedPort opened = openNamedPort(env, portText, inv.line);
    if (!opened.choice) {
        fail(report, exitCodeFor(opened.failure), portWords(opened.failure));
        return report;
    }
    const auto result = link::uploadSettings(env.port, env.clock);
    const ui::Words words =
        ui::wordsFor(result, {opened.choice->label, inv.line}, ui::UploadUse::File);
    if (result.outcome != link::UploadOutcome::Received) {
        fail(report, exitCodeFor(result.outcome), words);
        return report;
    }
    const SettingsImage image(result.reply);
    if (!saveFile(report, inv.file, image.body())) {
        return report;
    }
    report.text = words.text + "\n";
    report.json.set("message", words.text).set("image", settingsJson(image));
    return report;
}

// The identity and serial-number queries: the answer on standard output as it came.
Report runQuery(const Invocation& inv, Environment& env, bool identity) {
    Report report;
    const std::string& portText = inv.ports.front();
    report.json.set("command", identity ? "identify" : "serial").set("port", portText);
    const OpenedPort opened = openNamedPort(env, portText, inv.line);
    if (!opened.choice) {
        fail(report, exitCodeFor(opened.failure), portWords(opened.failure));
        return report;
    }
    const auto result = identity ? link::queryIdentity(env.port, env.clock)
                                 : link::querySerialNumber(env.port, env.clock);
    env.port.close();
    const ui::LineNames names{opened.choice->label, inv.line};
    const bool answered = result.outcome == link::QueryOutcome::Answered;
    const std::string shown = printableBytes(bytesOf(result.reply));
    const std::string key = identity ? "identity" : "serialNumber";
    report.json.set(key, answered ? Json(shown) : Json())
        .set("hex", hexBytes(bytesOf(result.reply)))
        .set("received", result.received)
        .set("due", result.due);
    if (answered) {
        report.text = shown + "\n";
    }
    if (identity) {
        const bool matches = link::identityMatches(result);
        report.json.set("matches", matches);
        if (!matches) {
            fail(report, answered ? ExitCode::WrongAnswer : exitCodeFor(result.outcome),
                 ui::identityWords(result, names));
        }
    } else if (!answered) {
        fail(report, exitCodeFor(result.outcome), ui::serialWords(result, names));
    }
    return report;
}

// The bytes that put one or two lines on the display, each line from its start.
std::vector<std::uint8_t> textCommands(TextEmulation emulation,
                                       const std::vector<std::vector<std::uint8_t>>& lines) {
    std::vector<std::uint8_t> out(device::kInitialise.begin(), device::kInitialise.end());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (emulation == TextEmulation::Cd5220) {
            out.insert(out.end(), {device::kEsc, device::kLineCommand,
                                   i == 0 ? device::kUpperRow : device::kLowerRow});
            out.insert(out.end(), lines[i].begin(), lines[i].end());
            out.push_back(device::kCr);
        } else {
            if (i > 0) {
                out.insert(out.end(), {device::kUs, device::kCursorCommand, 1, 2});
            }
            out.insert(out.end(), lines[i].begin(), lines[i].end());
        }
    }
    return out;
}

Report runText(const Invocation& inv, Environment& env) {
    Report report;
    const std::string& portText = inv.ports.front();
    report.json.set("command", "text").set("port", portText);
    std::vector<std::vector<std::uint8_t>> lines;
    for (const std::string& line : inv.lines) {
        const EncodedText encoded = encodeForDisplay(line, inv.characterSet);
        if (!encoded.error.empty()) {
            fail(
                report, ExitCode::Usage,
                {"\"" + line + "\" cannot be shown: " + encoded.error + " (\"" +
                     std::string(device::kCharEntries[static_cast<std::size_t>(inv.characterSet)]) +
                     "\"; choose the display's set with --charset)",
                 {}});
            return report;
        }
        if (static_cast<int>(encoded.codes.size()) > device::kDisplayColumns) {
            fail(report, ExitCode::Usage,
                 {"\"" + line + "\" is longer than a display line (" +
                      std::to_string(device::kDisplayColumns) + " characters)",
                  {}});
            return report;
        }
        lines.push_back(encoded.codes);
    }
    const OpenedPort opened = openNamedPort(env, portText, inv.line);
    if (!opened.choice) {
        fail(report, exitCodeFor(opened.failure), portWords(opened.failure));
        return report;
    }
    const auto bytes = textCommands(inv.emulation, lines);
    if (link::writeBlock(env.port, env.clock, bytesOf(bytes)) != link::LineStatus::Ok) {
        const std::string why = env.port.errorText();
        env.port.close();
        fail(report, ExitCode::LineLost, ui::lineLostWords(opened.choice->label, why));
        return report;
    }
    env.port.close();
    report.json.set("sent", hexBytes(bytesOf(bytes)));
    return report;
}

Report runPorts(Environment& env) {
    Report report;
    report.json.set("command", "ports");
    struct Found {
        int number;
        std::string device;
        PortFacts facts;
    };
    std::vector<Found> found;
    for (int n = 1; n <= link::kHighestPortNumber; ++n) {
        const auto device = link::resolvePortNumber(n, env.lookup);
        // Most numbers have no device: the file system is asked before anything is opened.
        if (!device || (env.lookup.exists && !env.lookup.exists(*device)) ||
            !link::distrustOf(*device, env.lookup).empty()) {
            continue;
        }
        env.port.setPortName(*device);
        const bool opens = env.port.open() == link::PortError::None && env.port.isOpen();
        env.port.close();
        if (!opens) {
            continue;
        }
        // A link stands for its device.
        std::error_code ec;
        std::string target = *device;
        if (fs::is_symlink(fs::symlink_status(*device, ec))) {
            const fs::path real = fs::canonical(*device, ec);
            if (!ec) {
                target = real.string();
            }
        }
        PortFacts facts;
        // Only the virtual display links pseudo-terminals into the port folder.
        if (target.starts_with("/dev/pts/")) {
            facts.description = "virtual display";
        } else if (env.facts) {
            facts = env.facts(target).value_or(PortFacts{});
        }
        found.push_back({n, target, facts});
    }

    Json ports = Json::array();
    std::size_t width = 0;
    for (const auto& f : found) {
        width = std::max(width, f.device.size());
    }
    for (const auto& f : found) {
        const std::string name = "Com " + std::to_string(f.number);
        std::string line = padded(name, 8) + padded(f.device, width);
        for (const auto& field : {f.facts.description, f.facts.serialNumber}) {
            if (!field.empty()) {
                line += "  " + field;
            }
        }
        line.erase(line.find_last_not_of(' ') + 1);
        report.text += line + "\n";
        Json entry = Json::object();
        entry.set("port", name)
            .set("number", f.number)
            .set("device", f.device)
            .set("description", f.facts.description)
            .set("manufacturer", f.facts.manufacturer)
            .set("serialNumber", f.facts.serialNumber);
        ports.push(std::move(entry));
    }
    if (found.empty()) {
        // The test tool's words when its search finds nothing. Finding nothing is an answer, not
        // a failure of the command.
        report.text = "No port could be opened\n";
    }
    report.json.set("ports", std::move(ports));
    return report;
}

Report runShow(const Invocation& inv) {
    Report report;
    report.json.set("command", "show").set("file", inv.file);
    const auto read = file::readSettingsFile(inv.file);
    if (!read.body) {
        fail(report, ExitCode::BadFile,
             {std::string(ui::kLoadErrorText), ui::loadFailureText(inv.file, read.error)});
        return report;
    }
    const SettingsImage image = SettingsImage::fromBody(*read.body);
    report.text = settingsText(image, inv.file);
    report.json.set("image", settingsJson(image));
    // Shown all the same, so that a script can see what is wrong with it; Load would refuse it.
    if (const std::string problem = device::listByteProblem(*read.body); !problem.empty()) {
        fail(report, ExitCode::BadFile,
             {std::string(ui::kLoadErrorText), ui::loadFailureText(inv.file, problem)});
    }
    return report;
}

Report runMake(const Invocation& inv) {
    Report report;
    report.json.set("command", "make").set("file", inv.output);
    SettingsImage image = windowDefaults();
    if (inv.from) {
        const auto body = loadFile(report, *inv.from);
        if (!body) {
            return report;
        }
        image.setBody(*body);
    }
    if (std::string error = applyEdits(image, inv.edits); !error.empty()) {
        fail(report, ExitCode::Usage, {std::move(error), {}});
        return report;
    }
    if (!saveFile(report, inv.output, image.body())) {
        return report;
    }
    report.json.set("image", settingsJson(image));
    return report;
}

}  // namespace

Report run(const Invocation& inv, Environment& env) {
    Report report;
    switch (inv.command) {
        case Command::Ports:
            report = runPorts(env);
            break;
        case Command::Download:
            report = runDownload(inv, env);
            break;
        case Command::Upload:
            report = runUpload(inv, env);
            break;
        case Command::Identify:
            report = runQuery(inv, env, true);
            break;
        case Command::Serial:
            report = runQuery(inv, env, false);
            break;
        case Command::Text:
            report = runText(inv, env);
            break;
        case Command::Show:
            report = runShow(inv);
            break;
        case Command::Make:
            report = runMake(inv);
            break;
    }
    finish(report);
    return report;
}

Report usageReport(const std::string& error) {
    Report report;
    report.json.set("command", nullptr);
    fail(report, ExitCode::Usage, {"vfdctl: " + error, {}});
    finish(report);
    return report;
}

std::string errorText(const Report& report) {
    std::string out;
    for (const auto& words : report.errors) {
        out += words.text + "\n";
        if (!words.detail.empty()) {
            out += words.detail + "\n";
        }
    }
    return out;
}

}  // namespace vfd::cli
