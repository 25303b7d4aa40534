#include "platform/icon_store.h"

#include <cstring>

// Small 16x16 pictures of the module and process list actions, drawn on a
// transparent background.

namespace {

// The pictures are kept one pixel row per line.
// clang-format off
const char* const filenew_xpm[] = {
    "16 16 4 1",
    "# c #202020",
    ". c None",
    "g c #C8C8C8",
    "w c #FFFFFF",
    "..########......",
    "..#wwwwww##.....",
    "..#wwwwww#g#....",
    "..#wwwwww#gg#...",
    "..#wwwwww#####..",
    "..#wwwwwwwwww#..",
    "..#wwwwwwwwww#..",
    "..#wwwwwwwwww#..",
    "..#wwwwwwwwww#..",
    "..#wwwwwwwwww#..",
    "..#wwwwwwwwww#..",
    "..#wwwwwwwwww#..",
    "..#wwwwwwwwww#..",
    "..#wwwwwwwwww#..",
    "..#wwwwwwwwww#..",
    "..############.."};

const char* const filedelete_xpm[] = {
    "16 16 5 1",
    "# c #202020",
    ". c None",
    "g c #C8C8C8",
    "r c #D01818",
    "w c #FFFFFF",
    ".########.......",
    ".#wwwwww##......",
    ".#wwwwww#g#.....",
    ".#wwwwww####....",
    ".#wwwwwwwww#....",
    ".#wwwwwwwww#....",
    ".#wwwwrrwww#..rr",
    ".#wwwwrrrww#.rrr",
    ".#wwwwwrrrw#rrr.",
    ".#wwwwwwrrrrrr..",
    ".#wwwwwwwrrrr...",
    ".#wwwwwwwrrrr...",
    ".#wwwwwwrrrrrr..",
    ".#wwwwwrrrw#rrr.",
    ".#####rrr###.rrr",
    "......rr......rr"};

const char* const duplicate_xpm[] = {
    "16 16 4 1",
    "# c #202020",
    ". c None",
    "g c #C8C8C8",
    "w c #FFFFFF",
    "######..........",
    "#wwww##.........",
    "#wwww#g#........",
    "#wwww####.......",
    "#wwwww######....",
    "#wwwww#wwww##...",
    "#wwwww#wwww#g#..",
    "#wwwww#wwww####.",
    "#wwwww#wwwwwww#.",
    "#wwwww#wwwwwww#.",
    "#######wwwwwww#.",
    "......#wwwwwww#.",
    "......#wwwwwww#.",
    "......#wwwwwww#.",
    "......#wwwwwww#.",
    "......#########."};

const char* const up_xpm[] = {
    "16 16 3 1",
    ". c None",
    "A c #15561A",
    "a c #2E9A2E",
    "................",
    ".......AA.......",
    "......AaaA......",
    ".....AaaaaA.....",
    "....AaaaaaaA....",
    "...AaaaaaaaaA...",
    "..AaaaaaaaaaaA..",
    ".AAAAaaaaaaAAAA.",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".....AAAAAA.....",
    "................"};

const char* const down_xpm[] = {
    "16 16 3 1",
    ". c None",
    "A c #15561A",
    "a c #2E9A2E",
    "................",
    ".....AAAAAA.....",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".....AaaaaA.....",
    ".AAAAaaaaaaAAAA.",
    "..AaaaaaaaaaaA..",
    "...AaaaaaaaaA...",
    "....AaaaaaaA....",
    ".....AaaaaA.....",
    "......AaaA......",
    ".......AA.......",
    "................"};

const char* const paste_xpm[] = {
    "16 16 8 1",
    "# c #202020",
    ". c None",
    "K c #5A3A18",
    "S c #505050",
    "b c #3C64B4",
    "k c #A0703C",
    "s c #B8B8B8",
    "w c #FFFFFF",
    "....SSSSS.......",
    "....SsssS.......",
    ".KKKSsssSKKK....",
    ".KkkSSSSSkkK....",
    ".KkkkkkkkkkK....",
    ".KkkkkkkkkkK....",
    ".Kkkkk##########",
    ".Kkkkk#wwwwwwww#",
    ".Kkkkk#wwwwwwww#",
    ".Kkkkk#wbbbbbbw#",
    ".Kkkkk#wwwwwwww#",
    ".Kkkkk#wbbbbbbw#",
    ".Kkkkk#wwwwwwww#",
    ".Kkkkk#wbbbbbbw#",
    ".Kkkkk#wwwwwwww#",
    ".KKKKK##########"};

const char* const copy_xpm[] = {
    "16 16 4 1",
    "# c #202020",
    ". c None",
    "b c #3C64B4",
    "w c #FFFFFF",
    "##########......",
    "#wwwwwwww#......",
    "#wwwwwwww#......",
    "#wbbbbbbw#......",
    "#wwww###########",
    "#wbbb#wwwwwwwww#",
    "#wwww#wwwwwwwww#",
    "#wbbb#wbbbbbbbw#",
    "#wwww#wwwwwwwww#",
    "#wbbb#wbbbbbbbw#",
    "#wwww#wwwwwwwww#",
    "######wbbbbbbbw#",
    ".....#wwwwwwwww#",
    ".....#wbbbbbbbw#",
    ".....#wwwwwwwww#",
    ".....###########"};

// clang-format on

struct NamedIcon {
    const char* name;
    const char* const* data;
};

const NamedIcon icons[] = {
    {"filenew", filenew_xpm},     {"filedelete", filedelete_xpm},
    {"duplicate", duplicate_xpm}, {"up", up_xpm},
    {"down", down_xpm},           {"paste", paste_xpm},
    {"copy", copy_xpm},
};

} // namespace

const char* const* fnIconStore(const char* name) {
    if (!name)
        return nullptr;
    for (const NamedIcon& icon : icons)
        if (std::strcmp(icon.name, name) == 0)
            return icon.data;
    return nullptr;
}
