#pragma once

#include <array>
#include <string_view>

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

struct ModelOption {
    Model model;
    std::string_view objectName;
    std::string_view caption;
    CheckPreset preset;
};

inline constexpr std::array<ModelOption, 11> kModelOptions = {{
    {Model::EpsonQv310, "Option_EPSON_QV310", "QV310(Wexlor)", {true, false, false}},
    {Model::EpsonQv330, "Option_EPSON_QV330", "QV330", {false, false, false}},
    {Model::EpsonVfd, "Option_EPSON_VFD", "VFD(QV710,QV320)", {false, false, false}},
    {Model::EpsonNr400, "Option_EPSON_NR400", "NR-400", {false, false, false}},
    {Model::EpsonZtk900, "Option_EPSON_ZTK900", "ZTK-900", {false, false, false}},
    {Model::EpsonQv310v68ac,
     "Option_EPSON_QV310_v68AC",
     "QV310_v6-8AC(CD5220)",
     {false, false, false}},
    {Model::EpsonNr400Cd5220Russia,
     "Option_EPSON_NR400_CD5220_RUSSIA",
     "NR-400(RUSSIA+CD5220)",
     {false, false, false}},
    {Model::Cd5220Qv310v68ac,
     "Option_CD5220_QV310_v68AC",
     "(CD5220 mode)QV310_v6-8AC(CD5220)",
     {false, false, false}},
    {Model::Cd5220Nr400Cd5220Russia,
     "Option_CD5220_NR400_CD5220_RUSSIA",
     "(CD5220 mode)NR-400(RUSSIA+CD5220)",
     {false, false, true}},
    {Model::EpsonFile, "Option_EPSON_File", "(EPSON mode)File Setting", {false, false, false}},
    {Model::Cd5220File, "Option_CD5220_File", "(CD5220 mode)File Setting", {false, false, false}},
}};

inline bool isFileModel(Model m) {
    return m == Model::EpsonFile || m == Model::Cd5220File;
}

// The display speaks the line-command set rather than the customer-display set.
inline bool speaksCd5220(Model m) {
    return m == Model::Cd5220Qv310v68ac || m == Model::Cd5220Nr400Cd5220Russia ||
           m == Model::Cd5220File;
}

}  // namespace vfd::testtool
