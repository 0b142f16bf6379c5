// CCddbClient: title lookup in a CDDB-protocol title database over HTTP
// (libcddb): the query for a disc's table of contents, the fall-back to the
// server's list of mirrors, and the read of the first match's track titles.
// Blocking; any thread, one lookup per object at a time.
#pragma once

#include <string>
#include <vector>

class CCdToc;
class CSettingsStore;

struct CddbSettings {
    // A public title server speaking the CDDB protocol over HTTP.
    static constexpr const char* kDefaultServer = "gnudb.gnudb.org";
    static constexpr const char* kDefaultScript = "/~cddb/cddb.cgi";
    static constexpr const char* kDefaultEmail = "restova@parlowe.invalid";
    static constexpr const char* kClientName = "Korrin 6.0";

    std::string server = kDefaultServer;
    std::string script = kDefaultScript;
    std::string email = kDefaultEmail;
    int port = 80;
    bool useProxy = false;
    std::string proxyServer;
    int proxyPort = 8088;
    int timeoutSeconds = 10;  // not stored

    // The keys of section "CDDB" (CDDBServer, CGIScript, UserEmail, ServerPort, UseProxy, ProxyServer, ProxyPort).
    static CddbSettings Load(const CSettingsStore& store);
};

struct CddbResult {
    std::string artist;               // of the first match, trimmed
    std::string album;                // of the first match, trimmed
    std::vector<std::string> titles;  // the record's TTITLE0.. in track order (empty when the read failed)
    int matches = 0;
};

class CCddbClient {
public:
    enum Status { kFound = 0, kNoMatch = 1, kNoServer = 2 };

    // Looks the disc up; on kFound result holds the first match. The server list is tried only
    // when the configured server gives no answer to the query.
    static Status LookUp(const CCdToc& toc, const CddbSettings& settings, CddbResult& result);

    // A match title "artist / album" split at its first "/", both parts trimmed; without a
    // slash the whole text is the album.
    static void SplitTitle(const std::string& title, std::string& artist, std::string& album);
};
