#include "logic/ErrorListPlace.h"

#include <gtest/gtest.h>

namespace {
struct PlaceCase {
    const char* name;
    QRect editor;
    QRect screen;
    QRect expected;
};
} // namespace

TEST(ErrorListPlace, BelowBesideOrOverTheNotesButNeverOverTheFields)
{
    const QSize wanted(920, 290);
    const QRect notes(14, 600, 980, 120); // the editor's notes box
    const PlaceCase cases[] = {
        {"room below", QRect(10, 2, 1000, 720), QRect(0, 0, 1440, 1200), QRect(10, 722, 920, 290)},
        {"a little room below: the list shrinks to it", QRect(10, 2, 1000, 720), QRect(0, 0, 1440, 900),
         QRect(10, 722, 920, 178)},
        {"no room below, room to the right", QRect(10, 2, 1000, 860), QRect(0, 0, 1440, 900),
         QRect(1010, 572, 430, 290)},
        {"no room below, room to the left", QRect(500, 2, 900, 860), QRect(0, 0, 1440, 900),
         QRect(0, 572, 500, 290)},
        {"no room outside: over the notes", QRect(10, 2, 1000, 720), QRect(0, 0, 1024, 768), notes},
        {"a screen narrower than the list", QRect(0, 0, 600, 400), QRect(0, 0, 800, 600), QRect(0, 400, 800, 200)},
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QRect place = ErrorListPlace(c.editor, notes, wanted, c.screen);
        EXPECT_EQ(place, c.expected) << place.x() << "," << place.y() << " " << place.width() << "x" << place.height();
        EXPECT_TRUE(c.screen.contains(place));
    }
}
