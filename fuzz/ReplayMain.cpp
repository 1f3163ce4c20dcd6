// Replays fuzz inputs without libFuzzer: every file given on the command line, and every file in
// the folders given (sorted, not recursing), goes once through LLVMFuzzerTestOneInput. A target
// that finds a fault aborts the process under the sanitizers; a path that cannot be read, or no
// input at all, makes the exit status 1.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        std::cerr << "cannot read " << file << '\n';
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (stream.bad()) {
        std::cerr << "cannot read " << file << '\n';
        return false;
    }
    // An empty vector's data() may be null; libFuzzer never passes null.
    const char none = 0;
    const char* data = bytes.empty() ? &none : bytes.data();
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int inputs = 0;
    bool failed = false;
    for (int n = 1; n < argc; ++n) {
        const std::filesystem::path given(argv[n]);
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::status(given, error);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(status)) {
            for (const auto& entry : std::filesystem::directory_iterator(given, error)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
            if (error) {
                std::cerr << "cannot list " << given << ": " << error.message() << '\n';
                failed = true;
            }
            std::sort(files.begin(), files.end());
        } else if (std::filesystem::is_regular_file(status)) {
            files.push_back(given);
        } else {
            std::cerr << "no such file or folder: " << given << '\n';
            failed = true;
        }
        for (const auto& file : files) {
            if (Replay(file)) {
                ++inputs;
            } else {
                failed = true;
            }
        }
    }
    std::cout << inputs << " inputs ran\n";
    if (inputs == 0) {
        std::cerr << "no input was given\n";
        return 1;
    }
    return failed ? 1 : 0;
}
