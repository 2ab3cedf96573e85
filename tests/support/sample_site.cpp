#include "support/sample_site.hpp"

namespace pixtrail::testing {

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
    for (int i = 0; i < caches; ++i) {
        const std::string c = code(i);
        m_codes.push_back(c);
        std::string page = "<html><head><title>" + c + " Cache " + std::to_string(i) +
                           "</title></head><body>" + std::string(1500, ' ');
        if (i % 10 != 9)
            for (const Picture& p : m_pictures)
                page += "<li><a href=\"" + m_site.url("/cache/" + p.name + ".jpg") +
                        "\" rel=\"lightbox\">Spoiler " + p.name + "</a></li>";
        page += "<span>end</span><h2>Logged Visits</h2></body></html>";
        m_pageBytes += static_cast<long long>(page.size());
        m_site.serve("/seek/cache_details.aspx?wp=" + c + "&Submit6=Find", page);
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
    const std::string host = m_site.host();
    // The extra settings come first: of two equal keys the first is the one read.
    return "[Settings]\r\n" + extraSettings + "Waypointfile=" + waypointFile +
           "\r\nSpoilerfolder=" + spoilerFolder +
           "\r\ndelay=0\r\nonlysummary=1\r\ndohtml=1\r\ndelunused=1\r\nshrinkpics=1\r\n"
           "shrinkwidth=300\r\nshrinkheight=300\r\n[Network]\r\ncachehost=" +
           host + "\r\nimagehost1=" + host + "\r\ncdnhost=" + host + "\r\nhomehost=" + host +
           "\r\n";
}

long long SampleSite::bytesPerFullRun() const {
    long long pictureBytes = 0;
    for (const Picture& p : m_pictures)
        pictureBytes += static_cast<long long>(p.bytes.size());
    return m_pageBytes + pictureBytes * cachesWithPictures();
}

} // namespace pixtrail::testing
