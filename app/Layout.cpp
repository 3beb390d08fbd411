#include "app/Layout.h"

#include "app/AppTexts.h"
#include "app/ControlIds.h"

namespace app::layout {

const Control kMainControls[] = {
    {IDC_TEXT1, Kind::ReadOnlyEdit, "", 165, 1590, 6300, 285},
    {IDC_COMMAND3, Kind::Button, texts::kCommand3, 6540, 1590, 360, 285},
    {IDC_TEXT3, Kind::Edit, "", 165, 2190, 6735, 285},
    {IDC_TEXT4, Kind::Edit, "", 165, 2775, 6735, 285},
    {IDC_COMMAND1, Kind::Button, texts::kCommand1, 4695, 3225, 1080, 345},
    {IDC_COMMAND2, Kind::Button, texts::kCommand2, 5835, 3225, 1080, 345},
    {IDC_LABEL1, Kind::Label, texts::kLabel1, 165, 1365, 1155, 195},
    {IDC_LABEL3, Kind::Label, texts::kLabel3, 165, 1965, 1290, 195},
    {IDC_LABEL4, Kind::Label, texts::kLabel4, 165, 2550, 900, 195},
    {IDC_LABEL13, Kind::Link, texts::kMakerHost, 1470, 3180, 1470, 195},
    {IDC_LABEL12, Kind::Label, texts::kLabel12, 180, 3180, 1260, 195},
    {IDC_PICTURE1, Kind::Picture, "", 150, 105, 3150, 1125},
    {IDC_LABEL2, Kind::Label, texts::kLabel2, 3435, 105, 3405, 1050},
};
const std::size_t kMainControlCount = sizeof kMainControls / sizeof kMainControls[0];

} // namespace app::layout
