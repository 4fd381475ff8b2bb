#pragma once

#include "ExportProgress.h"

#include <QRect>
#include <QSize>

#include <vector>

// The main window's design: each control with its legacy object name (skins and tests address
// it by that), its container, the caption a person sees, its place in twips within the
// container's client area, its tab index, and the name and description a screen reader speaks.
// The window, its tests and the real-window journey all read it from here.
namespace layout {

struct Control {
    const char *objectName;
    const char *container;
    const char *caption;
    QRect twips;
    int tabIndex;
    const char *accessibleName;
    const char *accessibleDescription = "";
};

inline constexpr const char *kWindow = "Form1";
inline constexpr QSize kClientTwips{8040, 8370};

inline constexpr Control kEditFrame{"Frame2", kWindow, "Edit The Database", {120, 6300, 7800, 1395}, 7,
                                    "Edit The Database"};
inline constexpr Control kAddButton{"PushButton4", "Frame2", "Add Zip-City-State Combo", {240, 300, 3600, 405}, 8,
                                    "Add Zip-City-State Combo"};
inline constexpr Control kDeleteButton{"PushButton13", "Frame2", "Delete Selected Zip-City-State",
                                       {3960, 300, 3600, 405}, 9, "Delete Selected Zip-City-State"};
inline constexpr Control kResetButton{"PushButton2", "Frame2", "Reset Database To Original", {240, 810, 6480, 405}, 10,
                                      "Reset Database To Original"};
inline constexpr Control kEditingHelpButton{"PushButton3", "Frame2", "?", {6840, 810, 720, 405}, 11, "Editing help",
                                            "Explains when to add, delete or reset rows of the database."};
inline constexpr Control kSearchFrame{"Frame1", kWindow, "Search:", {120, 60, 7800, 1335}, 3, "Search area"};
inline constexpr Control kSearchBox{"Text1", "Frame1", "", {240, 300, 6735, 345}, 0, "Search text",
                                    "A zip code or its first digits, or the beginning of a city or state name; "
                                    "type it, then choose Search."};
inline constexpr Control kSearchHelpButton{"PushButton8", "Frame1", "?", {7080, 300, 480, 345}, 4, "Search help",
                                           "Explains what to type in the search box."};
inline constexpr Control kSampleSearchButton{"PushButton7", "Frame1", "Load Sample/Example Search",
                                             {3960, 750, 3600, 405}, 5, "Load Sample/Example Search"};
inline constexpr Control kSearchButton{"PushButton1", "Frame1", "Search", {240, 750, 3600, 405}, 6, "Search"};
inline constexpr Control kList{"ListView1", kWindow, "", {120, 1515, 7800, 3705}, 1, "Results",
                               "The rows the search found: zip, city and state. Space ticks the selected rows; "
                               "the exports and the copy take the ticked rows."};
inline constexpr Control kProgressBar{"ProgressBar1", kWindow, kIdleProgressCaption, {120, 7830, 7800, 405}, 2, "Progress",
                                      "How far the running export has come, and what it is doing."};
inline constexpr Control kSaveTextButton{"PushButton6", kWindow, "Save Results As Text File", {120, 5310, 3840, 405},
                                         12, "Save Results As Text File"};
inline constexpr Control kSaveWorkbookButton{"PushButton12", kWindow, "Save Results As Excel File",
                                             {4080, 5310, 3840, 405}, 13, "Save Results As Excel File"};
inline constexpr Control kClearListButton{"PushButton9", kWindow, "Clear List", {4080, 5805, 3840, 405}, 14,
                                          "Clear List"};
inline constexpr Control kCopyButton{"PushButton18", kWindow, "Copy Results To Clipboard", {120, 5805, 3840, 405}, 15,
                                     "Copy Results To Clipboard"};

// The results list's columns, in order: the header's caption and the width in twips.
struct ListColumn {
    const char *caption;
    int widthTwips;
};
inline constexpr ListColumn kZipColumn{"Zip", 1200};
inline constexpr ListColumn kCityColumn{"City", 4000};
inline constexpr ListColumn kStateColumn{"State", 2000};

// In the order the window holds them.
inline constexpr Control kControls[] = {
    kEditFrame,   kAddButton,          kDeleteButton, kResetButton, kEditingHelpButton, kSearchFrame,
    kSearchBox,   kSearchHelpButton,   kSampleSearchButton, kSearchButton, kList, kProgressBar,
    kSaveTextButton, kSaveWorkbookButton, kClearListButton, kCopyButton,
};

// The controls by their tab index, lowest first.
std::vector<Control> inTabOrder();

// The control's place in twips within the window's client area, its container's offset added.
QRect windowTwips(const Control &control);

} // namespace layout
