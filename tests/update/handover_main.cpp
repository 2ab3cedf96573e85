#include "base/files.hpp"
#include "base/process.hpp"
#include "base/run_error.hpp"
#include "scrape/curl_fetch.hpp"
#include "support/recording_frontend.hpp"
#include "update/update_steps.hpp"

#include <fstream>

// A small program that takes part in a real upgrade hand-over for the tests: it has the
// real update steps, the test release key, and a frontend that answers Yes and records
// every message in messages.txt beside itself.
namespace {

using namespace pixtrail;

class FileFrontend : public testing::RecordingFrontend {
public:
    explicit FileFrontend(std::filesystem::path file) : m_file(std::move(file)) {
        answerYes = true;
    }
    void showMessage(shell::MessageKind, const std::string&, const std::string& text) override {
        std::ofstream(m_file, std::ios::app | std::ios::binary) << text << "\n";
    }

private:
    std::filesystem::path m_file;
};

} // namespace

int main(int argc, char** argv) {
    const auto exe = base::executablePath();
    const std::string folder = base::ansiPath(exe.parent_path());
    FileFrontend frontend(exe.parent_path() / "messages.txt");
    const scrape::Endpoints endpoints =
        scrape::loadEndpoints(base::joinPath(folder, "pixtrail.ini"));
    scrape::CurlFetch fetch(endpoints);
    const shell::Translator translator;
    std::string publicKey;
    std::ifstream key(PIXTRAIL_TEST_DATA_DIR "/update/test-release-key.pub");
    std::getline(key, publicKey);
    try {
        update::completePendingUpdate(frontend, translator);
        std::ofstream(exe.parent_path() / "messages.txt", std::ios::app | std::ios::binary)
            << "started " << exe.filename().string() << "\n";
        shell::IniUserStore store(base::joinPath(folder, "user.ini"));
        if (argc > 1 && std::string(argv[1]) == "check")
            update::checkForUpdate(
                {fetch, endpoints.updateFeedAddress(), store, frontend, translator, publicKey});
    } catch (const base::ProgramEndRequested& end) {
        return end.exitCode();
    }
    return 0;
}
