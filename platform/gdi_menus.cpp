/* GDI calls recorded as a drawing log, and menus loaded from the program's own resource script. */
#include "internal.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <regex>

namespace {

struct MenuState {
    std::vector<standin::MenuItem> items;
    std::map<UINT, bool> checked, grayed;
};

// The drawing and the menus of a fresh desktop.
struct GdiAndMenus {
    std::vector<std::string> drawingLog;
    std::vector<COLORREF> brushes;          // brush handle n is index n - 1
    std::vector<int> fontHeights;           // font handle n is index n - 1; deleted ones hold 0
    std::vector<std::unique_ptr<MenuState>> menus;
    standin::Picture picture = {};
    HGDIOBJ selectedBrush = nullptr;
    int paintDepth = 0;
    int screenDcsHeld = 0;
} g;

const ULONG_PTR kBrushBase = 0x3000;
const ULONG_PTR kMenuBase = 0x5000;
const ULONG_PTR kFontBase = 0x3800;
HDC const kScreenDc = reinterpret_cast<HDC>(0x4200);
HDC const kPaintDc = reinterpret_cast<HDC>(0x4000);
HGDIOBJ const kDcBrush = reinterpret_cast<HGDIOBJ>(0x4100);   // the brush a fresh paint DC holds

// A handle that is no menu fails the test, and the call goes on with an empty menu.
MenuState *MenuOf(HMENU menu)
{
    size_t index = reinterpret_cast<ULONG_PTR>(menu) - kMenuBase;
    if (index < g.menus.size())
        return g.menus[index].get();
    ADD_FAILURE() << "not a menu handle: " << menu;
    static MenuState none;
    none = {};
    return &none;
}

// Sets an item's check mark or graying and answers the one it had; -1 for an item the menu lacks.
DWORD Mark(std::map<UINT, bool> &marks, UINT item, UINT flags, UINT flag)
{
    if (!marks.count(item))
        return static_cast<DWORD>(-1);
    DWORD previous = marks[item] ? flag : 0;
    marks[item] = (flags & flag) != 0;
    return previous;
}

std::map<std::string, UINT> ReadDefines(const char *header)
{
    std::map<std::string, UINT> symbols = {{"IDOK", IDOK}, {"IDCANCEL", IDCANCEL}};
    std::ifstream in(header);
    std::regex define(R"(^#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)\s*$)");
    std::smatch match;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, match, define))
            symbols[match[1]] = static_cast<UINT>(std::stoul(match[2], nullptr, 0));
    return symbols;
}

// The resource script's one escape in menu texts: \t, between an item and its key.
std::string Unescape(const std::string &text) { return std::regex_replace(text, std::regex(R"(\\t)"), "\t"); }

}  // namespace

namespace standin {

void ResetGdiAndMenus() { g = {}; }

void ExpectScreenDcReleased() { EXPECT_EQ(g.screenDcsHeld, 0) << "the screen's DC was not released"; }

std::vector<std::string> &DrawingLog() { return g.drawingLog; }

const Picture &LastPicture() { return g.picture; }

COLORREF Picture::At(int x, int y) const
{
    EXPECT_TRUE(x >= 0 && x < width && y >= 0 && y < height) << x << "," << y << " outside " << width << "x" << height;
    return x >= 0 && x < width && y >= 0 && y < height ? pixels[static_cast<size_t>(y * width + x)] : 0xFFFFFFFF;
}

COLORREF BrushColour(HGDIOBJ brush)
{
    size_t index = reinterpret_cast<ULONG_PTR>(brush) - kBrushBase;
    return index < g.brushes.size() ? g.brushes[index] : 0xFFFFFFFF;
}

// Reads the MENU block of the given id from the resource script, resolving ids from commands.h.
HMENU ResourceMenu(UINT id)
{
    std::map<std::string, UINT> symbols = ReadDefines(LUMETRONE_COMMANDS_H);
    std::ifstream in(LUMETRONE_RC_FILE);
    std::regex header(R"(^(\w+)\s+MENU\s*$)");
    std::regex popup(R"(^\s*POPUP\s+\"(.*)\"\s*$)");
    std::regex item(R"(^\s*MENUITEM\s+\"(.*)\",\s*(\w+)\s*(,\s*(CHECKED|GRAYED))?\s*$)");
    std::smatch match;
    auto state = std::make_unique<MenuState>();
    bool inMenu = false;
    int depth = 0;
    // The popups open around the line; an item after a submenu's END belongs to the menu around it.
    std::vector<std::string> popups;
    std::string currentPopup;
    for (std::string line; std::getline(in, line);) {
        if (!inMenu) {
            inMenu = std::regex_search(line, match, header) && symbols.count(match[1]) && symbols[match[1]] == id;
            continue;
        }
        if (line.find("BEGIN") != std::string::npos) {
            depth++;
            popups.push_back(currentPopup);
        } else if (line.find("END") != std::string::npos) {
            if (--depth == 0)
                break;
            popups.pop_back();
            currentPopup = popups.back();
        } else if (std::regex_search(line, match, popup)) {
            currentPopup = Unescape(match[1]);
        } else if (std::regex_search(line, match, item)) {
            EXPECT_TRUE(symbols.count(match[2])) << "unknown id in the menu: " << match[2];
            UINT command = symbols[match[2]];
            state->items.push_back({currentPopup, Unescape(match[1]), command});
            state->checked[command] = match[4] == "CHECKED";
            state->grayed[command] = match[4] == "GRAYED";
        }
    }
    EXPECT_FALSE(state->items.empty()) << "menu " << id << " not found in " << LUMETRONE_RC_FILE;
    g.menus.push_back(std::move(state));
    return reinterpret_cast<HMENU>(kMenuBase + g.menus.size() - 1);
}

std::vector<MenuItem> MenuItems(HMENU menu) { return MenuOf(menu)->items; }
bool MenuItemChecked(HMENU menu, UINT id) { return MenuOf(menu)->checked[id]; }
bool MenuItemGrayed(HMENU menu, UINT id) { return MenuOf(menu)->grayed[id]; }

}  // namespace standin

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) { return Mark(MenuOf(menu)->checked, item, check, MF_CHECKED); }
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) { return static_cast<BOOL>(Mark(MenuOf(menu)->grayed, item, enable, MF_GRAYED)); }

HGDIOBJ GetStockObject(int object)
{
    EXPECT_EQ(object, BLACK_BRUSH) << "only the black stock brush is used";
    return reinterpret_cast<HGDIOBJ>(0x2F00 + object);
}

HBRUSH CreateSolidBrush(COLORREF colour)
{
    g.brushes.push_back(colour);
    return reinterpret_cast<HBRUSH>(kBrushBase + g.brushes.size() - 1);
}

HFONT CreateFontA(int height, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, LPCSTR)
{
    EXPECT_NE(height, 0);
    g.fontHeights.push_back(height);
    return reinterpret_cast<HFONT>(kFontBase + g.fontHeights.size() - 1);
}

static int *FontOf(HGDIOBJ object)
{
    size_t index = reinterpret_cast<ULONG_PTR>(object) - kFontBase;
    return reinterpret_cast<ULONG_PTR>(object) >= kFontBase && index < g.fontHeights.size() ? &g.fontHeights[index] : nullptr;
}

// The stand-in clipboard never holds a metafile: a copy of one is a fault of the test's own making.
HENHMETAFILE CopyEnhMetaFile(HENHMETAFILE metafile, LPCSTR)
{
    ADD_FAILURE() << "no metafile exists on the stand-in desktop: " << metafile;
    return nullptr;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile)
{
    ADD_FAILURE() << "no metafile exists on the stand-in desktop: " << metafile;
    return FALSE;
}

BOOL DeleteObject(HGDIOBJ object)
{
    int *height = FontOf(object);
    EXPECT_TRUE(height && *height) << "only live fonts are deleted";
    if (height)
        *height = 0;
    return height != nullptr;
}

// Fonts are logged as they are selected, "SelectObject font HEIGHT", and the DC's own font (any
// other handle) as "SelectObject font dc"; brushes are kept for the Rectangle lines.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    EXPECT_EQ(dc, kPaintDc) << "SelectObject outside a paint";
    if (int *height = FontOf(object)) {
        EXPECT_NE(*height, 0) << "a deleted font is selected";
        g.drawingLog.push_back("SelectObject font " + std::to_string(*height));
        return reinterpret_cast<HGDIOBJ>(0x4300);
    }
    if (object == reinterpret_cast<HGDIOBJ>(0x4300)) {
        g.drawingLog.push_back("SelectObject font dc");
        return nullptr;
    }
    HGDIOBJ previous = g.selectedBrush;
    g.selectedBrush = object;
    return previous;
}

HDC GetDC(HWND hwnd)
{
    EXPECT_EQ(hwnd, nullptr) << "only the screen's DC is asked for";
    g.screenDcsHeld++;
    return kScreenDc;
}

int ReleaseDC(HWND hwnd, HDC dc)
{
    EXPECT_TRUE(hwnd == nullptr && dc == kScreenDc && g.screenDcsHeld > 0) << "only the screen's DC is released";
    g.screenDcsHeld--;
    return 1;
}

int GetDeviceCaps(HDC dc, int index)
{
    EXPECT_EQ(dc, kScreenDc);
    EXPECT_EQ(index, LOGPIXELSY);
    return static_cast<int>(standin::Dpi());
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom)
{
    EXPECT_EQ(dc, kPaintDc) << "Rectangle outside a paint";
    char line[80];
    snprintf(line, sizeof(line), "Rectangle %d,%d,%d,%d %06X", left, top, right, bottom,
             standin::BrushColour(g.selectedBrush));
    g.drawingLog.push_back(line);
    return TRUE;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    EXPECT_EQ(dc, kPaintDc) << "TextOutA outside a paint";
    g.drawingLog.push_back("TextOut " + std::to_string(x) + "," + std::to_string(y) + " \"" +
                          std::string(text, static_cast<size_t>(length)) + "\"");
    return TRUE;
}

// Only what the strip's band blits: 8 bits a pixel through a palette, rows from the top, unstretched
// or stretched; the picture keeps the source's pixels.
int StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                  int sourceHeight, const void *bits, const BITMAPINFO *info, UINT usage, DWORD operation)
{
    EXPECT_EQ(dc, kPaintDc) << "StretchDIBits outside a paint";
    const BITMAPINFOHEADER &header = info->bmiHeader;
    EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_TRUE(header.biBitCount == 8 && header.biCompression == BI_RGB && header.biPlanes == 1);
    EXPECT_TRUE(header.biHeight < 0) << "rows from the top";
    EXPECT_TRUE(usage == DIB_RGB_COLORS && operation == SRCCOPY);
    EXPECT_TRUE(sourceX == 0 && sourceY == 0 && sourceWidth == header.biWidth && sourceHeight == -header.biHeight)
        << "the whole picture";
    const BYTE *rows = static_cast<const BYTE *>(bits);
    int stride = (header.biWidth + 3) & ~3;
    g.picture = {sourceWidth, sourceHeight, {}};
    for (int row = 0; row < sourceHeight; row++)
        for (int column = 0; column < sourceWidth; column++) {
            BYTE index = rows[row * stride + column];
            EXPECT_LT(index, header.biClrUsed) << "a pixel outside the palette";
            const RGBQUAD &colour = info->bmiColors[index];
            g.picture.pixels.push_back(colour.rgbRed | colour.rgbGreen << 8 | static_cast<COLORREF>(colour.rgbBlue) << 16);
        }
    char line[96];
    snprintf(line, sizeof(line), "StretchDIBits %d,%d,%d,%d from %dx%d", x, y, width, height, sourceWidth, sourceHeight);
    g.drawingLog.push_back(line);
    return sourceHeight;
}

// Every character is 6 pixels wide and 12 high, whatever the font.
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR, int length, SIZE *size)
{
    EXPECT_EQ(dc, kPaintDc) << "GetTextExtentPoint32A outside a paint";
    *size = SIZE{6 * length, 12};
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT *paint)
{
    EXPECT_EQ(g.paintDepth, 0) << "BeginPaint inside a paint";
    g.paintDepth++;
    *paint = PAINTSTRUCT{};
    paint->hdc = kPaintDc;
    g.selectedBrush = kDcBrush;
    g.drawingLog.push_back("BeginPaint " + standin::WindowClass(hwnd));
    return kPaintDc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT *)
{
    g.paintDepth--;
    EXPECT_EQ(g.selectedBrush, kDcBrush) << "a paint must leave the DC's own brush selected";
    g.drawingLog.push_back("EndPaint " + standin::WindowClass(hwnd));
    return TRUE;
}
