// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "device/option_lists.h"
#include "device/settings_image.h"

namespace vfd::testtool {

// The display models the screen test knows, in the order of the window's "Module Name" options.
enum class Model {
    EpsonQv310,
    EpsonQv330,
    EpsonVfd,
    EpsonNr400,
    EpsonZtk900,
    EpsonQv310v68ac,
    EpsonNr400Cd5220Russia,
    Cd5220Qv310v68ac,
    Cd5220Nr400Cd5220Russia,
    EpsonFile,
    Cd5220File,
};

// Which steps of the screen test a model option ticks when it is chosen.
struct CheckPreset {
    bool pid;
    bool sn;
    bool defaults;
};

// When a run starts with a download of factory settings.
enum class FactoryDownload { Never, WhenDefaultTicked, Always };

inline constexpr std::string_view kLine1Nr400 = "*VFD DISPLAY NR-400*";

// One model option of the screen test: its place in the window, the boxes it ticks, and the
// settings a run leaves in the display.
struct ModelOption {
    Model model;
    std::string_view objectName;
    std::string_view caption;
    CheckPreset preset;
    device::Emulation commands;  // what the visual test speaks, and the factory download's
    FactoryDownload factory;     // whether the run starts with factory settings
    std::string_view factoryLine1;
    bool usesFile;                  // the defaults are the loaded settings file
    std::string_view defaultLine1;  // welcome message 1 of the model's defaults
    device::CharacterSet defaultCharSet;
    device::Emulation defaultCommands;  // the emulation the model's defaults store
};

inline constexpr std::string_view kLine1Default = device::kDefaultMessage1;

// One row an option, in the window's order. Columns: the option, its caption, the boxes it
// ticks (PID, SN, Default); the visual test's command set, when the factory download runs and
// its line 1; whether the defaults come from the file; the defaults' line 1, character set and
// command emulation.
// clang-format off
using device::CharacterSet;
using device::Emulation;
inline constexpr std::array<ModelOption, 11> kModelOptions = {{
    {Model::EpsonQv310, "Option_EPSON_QV310", "QV310(Wexlor)", {true, false, false},
        Emulation::Epson, FactoryDownload::Never, kLine1Default, false,
        "*VFD DISPLAY QV310 *", CharacterSet::UsaEurope, Emulation::Epson},
    {Model::EpsonQv330, "Option_EPSON_QV330", "QV330", {false, false, false},
        Emulation::Epson, FactoryDownload::Never, kLine1Default, false,
        "*VFD DISPLAY QV330 *", CharacterSet::UsaEurope, Emulation::Epson},
    {Model::EpsonVfd, "Option_EPSON_VFD", "VFD(QV710,QV320)", {false, false, false},
        Emulation::Epson, FactoryDownload::Never, kLine1Default, false,
        kLine1Default, CharacterSet::UsaEurope, Emulation::Epson},
    {Model::EpsonNr400, "Option_EPSON_NR400", "NR-400", {false, false, false},
        Emulation::Epson, FactoryDownload::Never, kLine1Default, false,
        kLine1Nr400, CharacterSet::UsaEurope, Emulation::Epson},
    {Model::EpsonZtk900, "Option_EPSON_ZTK900", "ZTK-900", {false, false, false},
        Emulation::Epson, FactoryDownload::Never, kLine1Default, false,
        "VFD DISPLAY ZTK-900 ", CharacterSet::UsaEurope, Emulation::Epson},
    {Model::EpsonQv310v68ac, "Option_EPSON_QV310_v68AC", "QV310_v6-8AC(CD5220)", {false, false, false},
        Emulation::Epson, FactoryDownload::Never, kLine1Default, false,
        kLine1Default, CharacterSet::UsaEurope, Emulation::Cd5220},
    {Model::EpsonNr400Cd5220Russia, "Option_EPSON_NR400_CD5220_RUSSIA", "NR-400(RUSSIA+CD5220)", {false, false, false},
        Emulation::Epson, FactoryDownload::Never, kLine1Default, false,
        kLine1Nr400, CharacterSet::Russia, Emulation::Cd5220},
    {Model::Cd5220Qv310v68ac, "Option_CD5220_QV310_v68AC", "(CD5220 mode)QV310_v6-8AC(CD5220)", {false, false, false},
        Emulation::Cd5220, FactoryDownload::Never, kLine1Default, false,
        kLine1Default, CharacterSet::UsaEurope, Emulation::Cd5220},
    {Model::Cd5220Nr400Cd5220Russia, "Option_CD5220_NR400_CD5220_RUSSIA", "(CD5220 mode)NR-400(RUSSIA+CD5220)", {false, false, true},
        Emulation::Cd5220, FactoryDownload::Always, kLine1Nr400, false,
        kLine1Nr400, CharacterSet::Russia, Emulation::Cd5220},
    {Model::EpsonFile, "Option_EPSON_File", "(EPSON mode)File Setting", {false, false, false},
        Emulation::Epson, FactoryDownload::WhenDefaultTicked, kLine1Default, true,
        {}, CharacterSet::UsaEurope, Emulation::Epson},
    {Model::Cd5220File, "Option_CD5220_File", "(CD5220 mode)File Setting", {false, false, false},
        Emulation::Cd5220, FactoryDownload::WhenDefaultTicked, kLine1Default, true,
        {}, CharacterSet::UsaEurope, Emulation::Epson},
}};
// clang-format on

// The row of a model. Every model has one.
constexpr const ModelOption& modelOption(Model m) {
    for (const ModelOption& option : kModelOptions) {
        if (option.model == m) {
            return option;
        }
    }
    return kModelOptions.front();
}

}  // namespace vfd::testtool
