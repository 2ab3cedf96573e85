#include "support/sample_site.hpp"

#include <filesystem>

namespace pixtrail::testing {

using Names = std::vector<std::string>;

std::string cacheTarget(const std::string& code) {
    return "/seek/cache_details.aspx?wp=" + code + "&Submit6=Find";
}

std::string cachePage(const std::string& code, const std::string& name,
                      const std::vector<std::string>& pictureAddresses) {
    std::string page = "<html><head><title>" + code + " " + name + "</title></head><body>" +
                       std::string(1500, ' ');
    for (const std::string& a : pictureAddresses)
        page += "<li><a href=\"" + a + "\" rel=\"lightbox\">Spoiler " +
                std::filesystem::path(a).stem().string() + "</a></li>";
    return page + "<span>end</span><h2>Logged Visits</h2></body></html>";
}

std::string siteSettings(const std::string& host, const std::string& waypointFile,
                         const std::string& spoilerFolder, const std::string& extra,
                         const std::string& network) {
    std::string ini = "[Settings]\r\n" + extra + "Waypointfile=" + waypointFile +
                      "\r\nSpoilerfolder=" + spoilerFolder +
                      "\r\ndelay=0\r\nonlysummary=0\r\n[Network]\r\n" + network;
    for (const char* key :
         {"cachehost", "imagehost1", "imagehost2", "imagehost3", "cdnhost", "homehost"})
        ini += std::string(key) + "=" + host + "\r\n";
    return ini;
}

std::string SampleSite::code(int i) {
    static const char digits[] = "0123456789ABCDEFGHJKMNPQRTVWXYZ";
    std::string s = "GC";
    for (int k = 0; k < 5; ++k, i /= 31)
        s += digits[i % 31];
    return s;
}

SampleSite::SampleSite(int caches, std::vector<Picture> pictures)
    : m_pictures(std::move(pictures)) {
    m_site.serve("/", "<html>the site</html>");
    for (const Picture& p : m_pictures)
        m_site.serve("/cache/" + p.name + ".jpg", p.bytes, "image/jpeg");
    std::vector<std::string> addresses;
    for (const Picture& p : m_pictures)
        addresses.push_back(m_site.url("/cache/" + p.name + ".jpg"));
    for (int i = 0; i < caches; ++i) {
        const std::string c = code(i);
        m_codes.push_back(c);
        const std::string page =
            cachePage(c, "Cache " + std::to_string(i), i % 10 != 9 ? addresses : Names{});
        m_pageBytes += static_cast<long long>(page.size());
        m_site.serve(cacheTarget(c), page);
    }
}

int SampleSite::cachesWithPictures() const {
    return static_cast<int>(m_codes.size()) - static_cast<int>(m_codes.size()) / 10;
}

std::string SampleSite::waypointFile() const {
    std::string gpx = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<gpx>\r\n";
    for (const std::string& c : m_codes)
        gpx += "  <wpt><name>" + c + "</name></wpt>\r\n";
    return gpx + "</gpx>\r\n";
}

std::string SampleSite::settings(const std::string& waypointFile, const std::string& spoilerFolder,
                                 const std::string& extraSettings) const {
    return siteSettings(m_site.host(), waypointFile, spoilerFolder,
                        extraSettings + "onlysummary=1\r\ndohtml=1\r\ndelunused=1\r\n"
                                        "shrinkpics=1\r\nshrinkwidth=300\r\nshrinkheight=300\r\n");
}

long long SampleSite::bytesPerFullRun() const {
    long long pictureBytes = 0;
    for (const Picture& p : m_pictures)
        pictureBytes += static_cast<long long>(p.bytes.size());
    return m_pageBytes + pictureBytes * cachesWithPictures();
}

} // namespace pixtrail::testing
