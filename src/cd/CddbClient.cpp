#include "cd/CddbClient.h"

#include <cddb/cddb.h>

#include <memory>

#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "cd/CdToc.h"

namespace {

void QuietLog(cddb_log_level_t, const char*) {}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

std::string Text(const char* s) {
    return s ? s : "";
}

struct ConnDeleter {
    void operator()(cddb_conn_t* c) const { cddb_destroy(c); }
};
struct DiscDeleter {
    void operator()(cddb_disc_t* d) const { cddb_disc_destroy(d); }
};

void Configure(cddb_conn_t* conn, const CddbSettings& s) {
    cddb_cache_disable(conn);
    cddb_set_charset(conn, "UTF-8");
    cddb_set_timeout(conn, static_cast<unsigned>(s.timeoutSeconds));
    cddb_set_server_name(conn, s.server.c_str());
    cddb_set_http_path_query(conn, s.script.c_str());
    cddb_set_email_address(conn, s.email.c_str());
    const std::string client = CddbSettings::kClientName;
    const auto blank = client.find(' ');
    cddb_set_client(conn, client.substr(0, blank).c_str(), client.substr(blank + 1).c_str());
    cddb_set_server_port(conn, s.port);
    cddb_http_enable(conn);
    if (s.useProxy) {
        cddb_http_proxy_enable(conn);
        cddb_set_http_proxy_server_name(conn, s.proxyServer.c_str());
        cddb_set_http_proxy_server_port(conn, s.proxyPort);
    }
}

struct Site {
    std::string host;
    int port = 0;
    std::string path;
};

using Conn = std::unique_ptr<cddb_conn_t, ConnDeleter>;

// A fresh connection for every command: after a failed command libcddb may keep a socket the
// server has closed, and writing to it would raise SIGPIPE.
Conn Connect(const CddbSettings& s) {
    Conn conn(cddb_new());
    if (conn) Configure(conn.get(), s);
    return conn;
}

std::vector<Site> ServerList(const CddbSettings& settings) {
    std::vector<Site> sites;
    Conn owner = Connect(settings);
    cddb_conn_t* conn = owner.get();
    if (!conn) return sites;
    if (!cddb_sites(conn)) return sites;
    for (const cddb_site_t* s = cddb_first_site(conn); s; s = cddb_next_site(conn)) {
        const char* host = nullptr;
        unsigned int port = 0;
        const char* path = nullptr;
        if (cddb_site_get_protocol(s) != PROTO_HTTP) continue;
        if (cddb_site_get_address(s, &host, &port) != CDDB_ERR_OK || !host) continue;
        cddb_site_get_query_path(s, &path);
        sites.push_back({host, static_cast<int>(port), Text(path)});
    }
    return sites;
}

}  // namespace

CddbSettings CddbSettings::Load(const CSettingsStore& store) {
    CddbSettings s;
    s.server = store.GetProfileString(kSectionCDDB, "CDDBServer", kDefaultServer);
    s.script = store.GetProfileString(kSectionCDDB, "CGIScript", kDefaultScript);
    s.email = store.GetProfileString(kSectionCDDB, "UserEmail", kDefaultEmail);
    s.port = store.GetProfileInt(kSectionCDDB, "ServerPort", 80);
    s.useProxy = store.GetProfileInt(kSectionCDDB, "UseProxy", 0) != 0;
    s.proxyServer = store.GetProfileString(kSectionCDDB, "ProxyServer", "");
    s.proxyPort = store.GetProfileInt(kSectionCDDB, "ProxyPort", 8088);
    return s;
}

void CCddbClient::SplitTitle(const std::string& title, std::string& artist, std::string& album) {
    const auto slash = title.find('/');
    if (slash == std::string::npos) {
        artist.clear();
        album = Trim(title);
        return;
    }
    artist = Trim(title.substr(0, slash));
    album = Trim(title.substr(slash + 1));
}

CCddbClient::Status CCddbClient::LookUp(const CCdToc& toc, const CddbSettings& settings, CddbResult& result) {
    result = {};
    static const bool quiet = (cddb_log_set_handler(QuietLog), true);
    (void)quiet;
    std::unique_ptr<cddb_disc_t, DiscDeleter> disc(cddb_disc_new());
    Conn conn = Connect(settings);
    if (!conn || !disc) return kNoServer;
    for (const auto& t : toc.tracks) {
        cddb_track_t* track = cddb_track_new();
        cddb_track_set_frame_offset(track, t.startLsn + static_cast<int>(kCdPregapFrames));
        cddb_disc_add_track(disc.get(), track);
    }
    cddb_disc_set_length(disc.get(), toc.DiscSeconds());
    cddb_disc_calc_discid(disc.get());

    int matches = cddb_query(conn.get(), disc.get());
    CddbSettings answered = settings;
    if (matches < 0) {
        for (const Site& site : ServerList(settings)) {
            CddbSettings mirror = settings;
            mirror.server = site.host;
            mirror.script = site.path.empty() ? settings.script : site.path;
            mirror.port = site.port;
            conn = Connect(mirror);
            if (!conn) break;
            matches = cddb_query(conn.get(), disc.get());
            answered = mirror;
            if (matches >= 0) break;
        }
    }
    if (matches < 0) return kNoServer;
    if (matches == 0) return kNoMatch;
    result.matches = matches;
    // libcddb has already split the match title at " / "; a title it left whole is split here.
    const std::string artist = Text(cddb_disc_get_artist(disc.get()));
    const std::string title = Text(cddb_disc_get_title(disc.get()));
    if (artist.empty()) {
        SplitTitle(title, result.artist, result.album);
    } else {
        result.artist = Trim(artist);
        result.album = Trim(title);
    }
    // The read goes to the server that answered the query.
    conn = Connect(answered);
    if (conn && cddb_read(conn.get(), disc.get()) == 1) {
        const int count = cddb_disc_get_track_count(disc.get());
        for (int i = 0; i < count; ++i) {
            const cddb_track_t* track = cddb_disc_get_track(disc.get(), i);
            result.titles.push_back(Trim(Text(track ? cddb_track_get_title(track) : nullptr)));
        }
    }
    return kFound;
}
