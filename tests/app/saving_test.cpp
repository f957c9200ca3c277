// The designer keeping its card: the two save buttons under the six and
// where their clicks fall, the card file named at start (read, missing,
// unreadable), writes that fail without losing the version before, the
// picture, and the note that tells the user for a moment what happened.
#include "saving.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "card_files.h"
#include "card_format.h"
#include "console/console.h"
#include "designer.h"
#include "draxo.h"
#include "files/file_system.h"
#include "support/scratch_directory.h"
#include "support/test_support.h"
#include "window_system/window_system.h"

namespace cards {
namespace {

namespace fs = std::filesystem;
using lines = std::vector<std::string>;

const int save_card_y = 23, save_picture_y = -12;  // the middle of each save button's box

std::vector<std::string> directory_listing(const fs::path& where = ".") {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(where)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void click(designer_state& state, int x, int y) { handle_event(DRAXO_MOUSE, x, y, state); }

// A card of three objects, made by clicks as a user makes it.
designer_state made_card() {
    designer_state state;
    click(state, 0, 0);       // a heart, selected
    click(state, -250, 163);  // "Next, Please": a starburst
    click(state, -250, 93);   // "Add Shape"
    click(state, 100, -100);  // a second heart
    click(state, -250, 128);  // "Add Message"
    click(state, -100, 150);  // a message
    click(state, -250, 198);  // "Object Color": white
    click(state, -250, 233);  // "Background Color"
    return state;
}

TEST(SaveButtons, TakeOnlyClicksThatPressedNothingBefore) {
    for (int x : {-300, -250, -201, -200, -150})
        for (int y = -300; y <= 300; ++y)
            if (save_button_at(x, y) != SAVE_NONE) {
                EXPECT_EQ(classify_click(x, y), CLICK_NONE) << x << "," << y;
            }
    // Their boxes, under the sixth button's, 35 units apart.
    EXPECT_EQ(save_button_at(-201, 38), SAVE_CARD);
    EXPECT_EQ(save_button_at(-201, 4), SAVE_CARD);
    EXPECT_EQ(save_button_at(-201, 3), SAVE_PICTURE);
    EXPECT_EQ(save_button_at(-296, -32), SAVE_PICTURE);
    // The two rows of "Select Object"'s box that press nothing still do not,
    // nor does anything under the last box or right of the column.
    EXPECT_EQ(save_button_at(-250, 39), SAVE_NONE);
    EXPECT_EQ(save_button_at(-250, 40), SAVE_NONE);
    EXPECT_EQ(save_button_at(-250, -33), SAVE_NONE);
    EXPECT_EQ(save_button_at(-200, 20), SAVE_NONE);
}

TEST(SaveButtons, AreDrawnUnderTheSixInTheSameStyle) {
    draxo::test::open_package();
    draxo::console.logging = true;
    std::size_t mark = draxo::test::console_mark();
    draw_buttons(-1);
    lines drawn = draxo::test::console_since(mark);
    ASSERT_EQ(drawn.size(), 16u);
    EXPECT_EQ(drawn[10], "black rectangle with bounding box (-296,73) to (-200,38) with line width 1\n");
    EXPECT_EQ(drawn[11], "black text at (-294,58), \"Select Object\"\n");
    EXPECT_EQ(drawn[12], "black rectangle with bounding box (-296,38) to (-200,3) with line width 1\n");
    EXPECT_EQ(drawn[13], "black text at (-294,23), \"Save Card\"\n");
    EXPECT_EQ(drawn[14], "black rectangle with bounding box (-296,3) to (-200,-32) with line width 1\n");
    EXPECT_EQ(drawn[15], "black text at (-294,-12), \"Save Picture\"\n");
}

struct Saving : draxo::test::InScratchDirectory {};

TEST_F(Saving, SaveCardWritesTheCardThatAFreshDesignerOpensAgain) {
    designer_state state = made_card();
    open_card_file("", state);
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "Saved card.draxo");
    EXPECT_EQ(state.note_color, BLACK);
    EXPECT_EQ(directory_listing(), lines{"card.draxo"});
    EXPECT_EQ(contents_of("card.draxo"),
              "DRAXO card 1\nbackground 6\nobjects 3\nshape 1 0 0 0\nshape 0 0 100 -100\nmessage 0 1 -100 150\n");

    designer_state reopened;
    open_card_file("card.draxo", reopened);
    EXPECT_EQ(card_of(reopened), card_of(state));
    EXPECT_EQ(reopened.note_left, 0);
    EXPECT_EQ(reopened.status, STATUS_ADD_SHAPE);
    EXPECT_EQ(reopened.selected_object, 0);
    // Saving again replaces the file it was opened from.
    click(reopened, -250, 233);
    click(reopened, -250, save_card_y);
    EXPECT_EQ(reopened.card_file, "card.draxo");
    EXPECT_EQ(parse_card(contents_of("card.draxo")).value.background_color, 7);
}

TEST_F(Saving, AMissingFileStartsAnEmptyCardSavedUnderItsName) {
    fs::create_directory("my cards");
    designer_state state;
    open_card_file("my cards/birthday card.draxo", state);
    EXPECT_EQ(state.object_count, 0);
    EXPECT_EQ(state.note_left, 0);
    click(state, 10, 10);
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "Saved birthday card.draxo");
    EXPECT_EQ(directory_listing("my cards"), lines{"birthday card.draxo"});
}

TEST_F(Saving, AnUnreadableFileLeavesTheCardSaysWhyAndIsNeverReplaced) {
    const std::string bad = "DRAXO card 1\nbackground 5\nobjects 1\nshape 0 99 0 0\n";
    write_file("old.draxo", bad);
    designer_state state = made_card();
    card before = card_of(state);
    open_card_file("old.draxo", state);
    EXPECT_EQ(card_of(state), before);
    EXPECT_EQ(state.note,
              "Cannot open old.draxo, line 4:\nan object's colour must be a whole number from 0 to 23");
    EXPECT_EQ(state.note_color, RED);
    EXPECT_EQ(state.note_left, note_until_click);
    for (int i = 0; i < 100; ++i) handle_event(DRAXO_PERIODIC, 0, 0, state);
    EXPECT_EQ(state.note_left, note_until_click);  // it waits for a click

    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "Saved old-2.draxo");
    EXPECT_EQ(contents_of("old.draxo"), bad);
    EXPECT_EQ(parse_card(contents_of("old-2.draxo")).value, before);
    click(state, -250, save_card_y);  // from now on, its own file
    EXPECT_EQ(directory_listing(), (lines{"old-2.draxo", "old.draxo"}));
}

TEST_F(Saving, WithNoFileNamedACardFileAlreadyThereIsKept) {
    write_file("card.draxo", "a card of an earlier session");
    write_file("card-2.draxo", "and another");
    designer_state state;
    open_card_file("", state);
    EXPECT_EQ(state.note_left, 0);
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "Saved card-3.draxo");
    EXPECT_EQ(contents_of("card.draxo"), "a card of an earlier session");
    EXPECT_EQ(contents_of("card-2.draxo"), "and another");
}

TEST_F(Saving, FilesThatCannotBeReadAreReportedWithTheSystemsReason) {
    fs::create_directory("folder.draxo");
    bool missing = true;
    std::string bytes;
    card_reading read = read_card_file("folder.draxo", missing, bytes);
    EXPECT_FALSE(read.ok);
    EXPECT_FALSE(missing);
    EXPECT_EQ(read.line, 0);
    EXPECT_EQ(read.error, "it is a folder");
    read = read_card_file("/dev/zero", missing, bytes);  // bytes for ever
    EXPECT_EQ(read.error, "it is not a regular file");
    read = read_card_file("nothing.draxo", missing, bytes);
    EXPECT_TRUE(missing);
    EXPECT_EQ(read.error, "No such file or directory");
    // A huge file is read only to one byte past the limit.
    write_file("huge.draxo", "DRAXO card 1\n" + std::string(1 << 20, 'x'));
    read = read_card_file("huge.draxo", missing, bytes);
    EXPECT_EQ(read.error, "the file is longer than 4096 bytes");
    EXPECT_EQ(read.line, 2);

    designer_state state;
    open_card_file("folder.draxo", state);
    EXPECT_EQ(state.note, "Cannot open folder.draxo:\nit is a folder");
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "Saved folder-2.draxo");
}

TEST_F(Saving, AWriteThatFailsKeepsTheVersionBeforeAndLeavesNoFreshFile) {
    designer_state state = made_card();
    open_card_file("card.draxo", state);
    click(state, -250, save_card_y);
    const std::string saved = contents_of("card.draxo");
    for (int i = 0; i < 20; ++i) {
        click(state, -250, 93);  // "Add Shape"
        click(state, i * 5, -i * 5);
    }
    // Files of this process may grow to 200 bytes only: the card no longer
    // fits, as on a full disk. The limit's signal keeps its default, which
    // would end the process: the save takes it as a failed write.
    rlimit limit{200, 200};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "card.draxo not saved:\nFile too large");
    EXPECT_EQ(state.note_color, RED);
    EXPECT_EQ(contents_of("card.draxo"), saved);
    EXPECT_EQ(directory_listing(), lines{"card.draxo"});

    designer_state elsewhere = made_card();
    open_card_file("no such folder/card.draxo", elsewhere);
    click(elsewhere, -250, save_card_y);
    EXPECT_EQ(elsewhere.note, "card.draxo not saved:\nNo such file or directory");
}

// Two designers started in the same folder, or on the same card: neither
// ever overwrites a card the other saved meanwhile.
TEST_F(Saving, ACardSavedMeanwhileByAnotherDesignerIsNeverOverwritten) {
    designer_state first = made_card(), second;
    open_card_file("", first);
    open_card_file("", second);
    click(second, 50, 50);
    click(first, -250, save_card_y);
    const std::string firsts = contents_of("card.draxo");
    click(second, -250, save_card_y);
    EXPECT_EQ(second.note, "card.draxo was changed meanwhile:\nsaved card-2.draxo");
    EXPECT_EQ(second.note_color, RED);
    EXPECT_EQ(contents_of("card.draxo"), firsts);
    EXPECT_EQ(parse_card(contents_of("card-2.draxo")).value, card_of(second));
    // Each goes on saving its own file.
    click(first, -250, 233);
    click(first, -250, save_card_y);
    EXPECT_EQ(first.note, "Saved card.draxo");
    click(second, -250, save_card_y);
    EXPECT_EQ(second.note, "Saved card-2.draxo");
    EXPECT_EQ(parse_card(contents_of("card.draxo")).value, card_of(first));

    // Both opened the same card; the one that saves second keeps the other's.
    designer_state third, fourth;
    open_card_file("card.draxo", third);
    open_card_file("card.draxo", fourth);
    click(third, -250, 233);
    click(third, -250, save_card_y);
    EXPECT_EQ(third.note, "Saved card.draxo");
    click(fourth, -250, save_card_y);
    EXPECT_EQ(fourth.note, "card.draxo was changed meanwhile:\nsaved card-3.draxo");
    EXPECT_EQ(parse_card(contents_of("card.draxo")).value, card_of(third));
    EXPECT_EQ(directory_listing(), (lines{"card-2.draxo", "card-3.draxo", "card.draxo"}));
}

// The other designer, whose save a replaced system call runs in the middle
// of the first one's.
designer_state* other_designer = nullptr;
int flush_with_the_other_saving(int fd) {
    designer_state* other = std::exchange(other_designer, nullptr);
    if (other) click(*other, -250, save_card_y);
    return draxo::files::default_system().flush(fd);
}

struct SavingAtOnce : Saving {
    void TearDown() override {
        draxo::files::system() = draxo::files::default_system();
        Saving::TearDown();
    }
};

// Two designers saving at the same moment, the first one's flush slow: the
// other's card saved meanwhile stays, and the first goes beside it and says so.
TEST_F(SavingAtOnce, TwoDesignersSavingAtTheSameMomentKeepBothCards) {
    draxo::files::system().flush = flush_with_the_other_saving;
    // Started in the same folder, neither with a card file.
    designer_state first = made_card(), second;
    open_card_file("", first);
    open_card_file("", second);
    click(second, 50, 50);
    other_designer = &second;
    click(first, -250, save_card_y);
    EXPECT_EQ(second.note, "Saved card.draxo");
    EXPECT_EQ(first.note, "card.draxo was changed meanwhile:\nsaved card-2.draxo");
    EXPECT_EQ(parse_card(contents_of("card.draxo")).value, card_of(second));
    EXPECT_EQ(parse_card(contents_of("card-2.draxo")).value, card_of(first));

    // Both opened card.draxo; each goes on with its own file.
    designer_state third, fourth;
    open_card_file("card.draxo", third);
    open_card_file("card.draxo", fourth);
    click(fourth, -250, 233);
    other_designer = &fourth;
    click(third, -250, save_card_y);
    EXPECT_EQ(fourth.note, "Saved card.draxo");
    EXPECT_EQ(third.note, "card.draxo was changed meanwhile:\nsaved card-3.draxo");
    EXPECT_EQ(parse_card(contents_of("card.draxo")).value, card_of(fourth));
    EXPECT_EQ(parse_card(contents_of("card-3.draxo")).value, card_of(third));

    // Two going beside card.draxo at once: the free name one takes is not
    // taken again by the other.
    designer_state fifth, sixth;
    open_card_file("card.draxo", fifth);
    open_card_file("card.draxo", sixth);
    click(fourth, -250, 233);  // card.draxo changed under both
    click(fourth, -250, save_card_y);
    click(sixth, 10, 10);
    other_designer = &sixth;
    click(fifth, -250, save_card_y);
    EXPECT_EQ(sixth.note, "card.draxo was changed meanwhile:\nsaved card-4.draxo");
    EXPECT_EQ(fifth.note, "card.draxo was changed meanwhile:\nsaved card-5.draxo");
    EXPECT_EQ(parse_card(contents_of("card-4.draxo")).value, card_of(sixth));
    EXPECT_EQ(parse_card(contents_of("card-5.draxo")).value, card_of(fifth));
    EXPECT_EQ(directory_listing(),
              (lines{"card-2.draxo", "card-3.draxo", "card-4.draxo", "card-5.draxo", "card.draxo"}));
}

// A name longer than the system takes, or a path: the note says so.
TEST_F(Saving, ANameOrAPathTooLongIsSaidToBeSo) {
    const std::string long_name = std::string(250, 'n') + ".draxo";  // 256 bytes
    designer_state state = made_card();
    open_card_file(long_name, state);
    EXPECT_EQ(state.note, "Cannot open " + long_name + ":\nFile name too long");
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "Not saved: File name too long\n" + long_name);

    std::string deep;
    for (int i = 0; i < 25; ++i) deep += std::string(200, 'f') + "/";  // 5025 bytes
    open_card_file(deep + "card.draxo", state);
    EXPECT_EQ(state.note, "Cannot open card.draxo:\nFile name too long");
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "Not saved: File name too long\ncard.draxo");
    EXPECT_EQ(directory_listing(), lines{});
}

TEST_F(Saving, ACardReachedThroughALinkIsSavedToTheFileTheLinkNames) {
    fs::create_directory("kept");
    designer_state state = made_card();
    open_card_file("kept/party.draxo", state);
    click(state, -250, save_card_y);
    fs::create_symlink("kept/party.draxo", "party.draxo");
    designer_state linked;
    open_card_file("party.draxo", linked);
    EXPECT_EQ(card_of(linked), card_of(state));
    click(linked, -250, 233);
    click(linked, -250, save_card_y);
    EXPECT_EQ(linked.note, "Saved party.draxo");
    EXPECT_TRUE(fs::is_symlink("party.draxo"));
    EXPECT_EQ(parse_card(contents_of("kept/party.draxo")).value, card_of(linked));
    EXPECT_EQ(directory_listing("kept"), lines{"party.draxo"});
}

TEST_F(Saving, ACardWithATwinIsSavedInPlaceAndKeepsItsPermissions) {
    designer_state state = made_card();
    open_card_file("card.draxo", state);
    click(state, -250, save_card_y);
    fs::permissions("card.draxo", fs::perms::owner_read | fs::perms::owner_write);
    click(state, -250, 233);
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "Saved card.draxo");
    EXPECT_EQ(fs::status("card.draxo").permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::create_hard_link("card.draxo", "twin.draxo");
    click(state, -250, 233);
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "Saved card.draxo in place:\nit has other links");
    EXPECT_EQ(parse_card(contents_of("twin.draxo")).value, card_of(state));
}

TEST_F(Saving, AReadOnlyCardIsNotReplaced) {
    designer_state state = made_card();
    open_card_file("card.draxo", state);
    click(state, -250, save_card_y);
    const std::string saved = contents_of("card.draxo");
    fs::permissions("card.draxo", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    click(state, -250, 233);
    click(state, -250, save_card_y);
    EXPECT_EQ(state.note, "card.draxo not saved:\nthe file is read-only");
    EXPECT_EQ(contents_of("card.draxo"), saved);
}

TEST_F(Saving, SavePictureWritesTheCardRectangleBesideTheCardFile) {
    draxo::test::open_package();
    DRAXO_set_logging(0);
    DRAXO_show_console(0);
    designer_state state = made_card();
    open_card_file("party.draxo", state);
    draw_work_area(state);
    click(state, -250, save_picture_y);
    EXPECT_EQ(state.note, "Saved party.png");
    QImage picture("party.png");
    ASSERT_EQ(picture.size(), QSize(361, 351));
    // The card's colour at its corners, the heart at its anchor.
    EXPECT_EQ(picture.pixel(0, 0) & 0xFFFFFFu, draxo::test::rgb_of(6));
    EXPECT_EQ(picture.pixel(360, 350) & 0xFFFFFFu, draxo::test::rgb_of(6));
    EXPECT_EQ(picture.pixel(100 + 140, 200 + 100) & 0xFFFFFFu, draxo::test::rgb_of(BLACK));
    EXPECT_EQ(directory_listing(), lines{"party.png"});  // the picture alone: the card is not saved

    // A picture that cannot be written shows the console, where the package said why.
    open_card_file("no such folder/party.draxo", state);
    click(state, -250, save_picture_y);
    EXPECT_EQ(state.note, "party.png not saved:\nthe console says why");
    EXPECT_TRUE(draxo::ws::window_visible(draxo::console.console_window));
}

TEST_F(Saving, TheNoteStaysForAMomentOfPeriodicEventsAndAClickEndsIt) {
    designer_state state;
    open_card_file("", state);
    click(state, -250, save_card_y);
    for (int i = 1; i < note_moment; ++i) handle_event(DRAXO_PERIODIC, 0, 0, state);
    handle_event(DRAXO_KBD, 0, 0, state);  // keys change nothing
    EXPECT_EQ(state.note_left, 1);
    handle_event(DRAXO_PERIODIC, 0, 0, state);
    EXPECT_EQ(state.note_left, 0);

    click(state, -250, save_card_y);
    EXPECT_EQ(state.note_left, note_moment);
    click(state, -170, 0);  // a click that does nothing still ends it
    EXPECT_EQ(state.note_left, 0);
    handle_event(DRAXO_QUIT, 0, 0, state);
    EXPECT_EQ(state.done, 1);
}

TEST_F(Saving, TheNoteTakesTheStatusLinesPlaceWhileItLasts) {
    draxo::test::open_package();
    designer_state state;
    open_card_file("", state);
    draxo::console.logging = true;
    auto status_line = [&state] {
        std::size_t mark = draxo::test::console_mark();
        draw_card(state);
        return draxo::test::console_since(mark).back();
    };
    EXPECT_EQ(status_line(), "black text at (-140,-190), \"Click on the card to add a shape\"\n");
    click(state, -250, save_card_y);
    EXPECT_EQ(status_line(), "black text at (-140,-190), \"Saved card.draxo\"\n");
    for (int i = 0; i < note_moment; ++i) handle_event(DRAXO_PERIODIC, 0, 0, state);
    EXPECT_EQ(status_line(), "black text at (-140,-190), \"Click on the card to add a shape\"\n");
}

TEST(PictureFile, IsTheCardFilesNameEndingInPngAndNeverTheCardFileItself) {
    EXPECT_EQ(picture_file_for("card.draxo"), "card.png");
    EXPECT_EQ(picture_file_for("my cards/birthday card.draxo"), "my cards/birthday card.png");
    EXPECT_EQ(picture_file_for("plain"), "plain.png");
    EXPECT_EQ(picture_file_for("odd.png"), "odd.png.png");
    EXPECT_EQ(file_name_of("my cards/birthday card.png"), "birthday card.png");
}

}  // namespace
}  // namespace cards
