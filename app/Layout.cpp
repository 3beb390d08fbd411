#include "app/Layout.h"

#include "app/AppTexts.h"
#include "app/ControlIds.h"

namespace app::layout {

const Control kMainControls[] = {
    {IDC_TEXT1, Kind::ReadOnlyEdit, "", 165, 1590, 6300, 285},
    {IDC_COMMAND3, Kind::Button, texts::kCommand3, 6540, 1590, 360, 285},
    {IDC_TEXT3, Kind::Edit, "", 165, 2190, 6735, 285},
    {IDC_TEXT4, Kind::Edit, "", 165, 2775, 6735, 285},
    {IDC_COMMAND4, Kind::Button, texts::kCommand4, 3555, 3225, 1080, 345},
    {IDC_COMMAND1, Kind::Button, texts::kCommand1, 4695, 3225, 1080, 345},
    {IDC_COMMAND2, Kind::Button, texts::kCommand2, 5835, 3225, 1080, 345},
    // A row of its own below Generate and CLOSE: every other control keeps its place.
    {IDC_COMMAND5, Kind::Button, texts::kCommand5, 4695, 3630, 2220, 345},
    {IDC_CHECK1, Kind::CheckBox, texts::kCheck1, 165, 3675, 4440, 255},
    {IDC_LABEL1, Kind::Label, texts::kLabel1, 165, 1365, 1155, 195},
    {IDC_LABEL3, Kind::Label, texts::kLabel3, 165, 1965, 1290, 195},
    {IDC_LABEL4, Kind::Label, texts::kLabel4, 165, 2550, 900, 195},
    {IDC_LABEL13, Kind::Link, texts::kMakerHost, 1470, 3180, 1470, 195},
    {IDC_LABEL12, Kind::Label, texts::kLabel12, 180, 3180, 1260, 195},
    {IDC_PICTURE1, Kind::Picture, "", 150, 105, 3150, 1125},
    {IDC_LABEL2, Kind::Label, texts::kLabel2, 3435, 105, 3405, 1050},
};
const std::size_t kMainControlCount = sizeof kMainControls / sizeof kMainControls[0];

// Designed in pixels at 96 DPI, 15 twips each: a setting, its explanation below it indented.
// clang-format off
const Control kOptionsControls[] = {
    {IDC_OPTIONS_SUPPORTEDOS, Kind::CheckBox, texts::kOptionsSupportedOs, 165, 165, 7770, 255},
    {IDC_OPTIONS_SUPPORTEDOS_NOTE, Kind::Note, texts::kOptionsSupportedOsNote, 420, 435, 7515, 195},
    {IDC_OPTIONS_RUNLEVEL_LABEL, Kind::Label, texts::kOptionsRunLevel, 165, 855, 1200, 195},
    {IDC_OPTIONS_RUNLEVEL, Kind::DropList, "", 1425, 795, 4500, 315},
    {IDC_OPTIONS_RUNLEVEL_NOTE, Kind::Note, texts::kOptionsRunLevelNote, 420, 1155, 7515, 195},
    {IDC_OPTIONS_DPI_LABEL, Kind::Label, texts::kOptionsDpi, 165, 1575, 1200, 195},
    {IDC_OPTIONS_DPI, Kind::DropList, "", 1425, 1515, 4500, 315},
    {IDC_OPTIONS_DPI_NOTE, Kind::Note, texts::kOptionsDpiNote, 420, 1875, 7515, 195},
    {IDC_OPTIONS_PERMONITOR_NOTE, Kind::Note, texts::kOptionsPerMonitorNote, 420, 2085, 7515,
     390},
    {IDC_OPTIONS_GDISCALING, Kind::CheckBox, texts::kOptionsGdiScaling, 165, 2550, 7770, 255},
    {IDC_OPTIONS_GDISCALING_NOTE, Kind::Note, texts::kOptionsGdiScalingNote, 420, 2820, 7515,
     195},
    {IDC_OPTIONS_LONGPATHS, Kind::CheckBox, texts::kOptionsLongPaths, 165, 3135, 7770, 255},
    {IDC_OPTIONS_LONGPATHS_NOTE, Kind::Note, texts::kOptionsLongPathsNote, 420, 3405, 7515, 195},
    {IDC_OPTIONS_CODEPAGE_LABEL, Kind::Label, texts::kOptionsCodePage, 165, 3735, 1200, 195},
    {IDC_OPTIONS_CODEPAGE, Kind::DropList, "", 1425, 3675, 4500, 315},
    {IDC_OPTIONS_CODEPAGE_NOTE, Kind::Note, texts::kOptionsCodePageNote, 420, 4035, 7515, 195},
    {IDC_OPTIONS_UTF8_NOTE, Kind::Note, texts::kOptionsUtf8Note, 420, 4245, 7515, 195},
    {IDC_OPTIONS_PRINTERISOLATION, Kind::CheckBox, texts::kOptionsPrinterIsolation, 165, 4560,
     7770, 255},
    {IDC_OPTIONS_PRINTERISOLATION_NOTE, Kind::Note, texts::kOptionsPrinterIsolationNote, 420,
     4830, 7515, 195},
    {IDC_OPTIONS_COMPONENTS_LABEL, Kind::Label, texts::kOptionsComponents, 165, 5175, 7770,
     195},
    {IDC_OPTIONS_COMPONENTS, Kind::List, "", 165, 5415, 6030, 1170},
    {IDC_OPTIONS_ADD_COMPONENT, Kind::Button, texts::kOptionsAddComponent, 6300, 5415, 1635,
     345},
    {IDC_OPTIONS_REMOVE_COMPONENT, Kind::Button, texts::kOptionsRemoveComponent, 6300, 5820,
     1635, 345},
    {IDC_OPTIONS_FROM_PROJECT, Kind::Button, texts::kOptionsFromProject, 6300, 6225, 1635, 345},
    {IDC_OPTIONS_REPORT, Kind::Report, "", 165, 6735, 7770, 780},
    {IDC_OPTIONS_OK, Kind::DefaultButton, texts::kOptionsOk, 5715, 7725, 1080, 345},
    {IDC_OPTIONS_CANCEL, Kind::Button, texts::kOptionsCancel, 6855, 7725, 1080, 345},
};
// clang-format on
const std::size_t kOptionsControlCount = sizeof kOptionsControls / sizeof kOptionsControls[0];

} // namespace app::layout
