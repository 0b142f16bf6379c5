// What an encoded file says about its song: the title from the track divider
// or the CD track's name, and artist, album and track number when the CD's
// title lookup supplied them. Empty texts and track 0 are left out.
#pragma once

#include <string>

struct AudioTags {
    std::string title;
    std::string artist;
    std::string album;
    int track = 0;

    bool Empty() const { return title.empty() && artist.empty() && album.empty() && track <= 0; }
};
