#include "benchreport.h"
#include "mp3walk.h"
#include "tagbenchmodes.h"

#include "tagerror.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <iostream>

#include <sys/stat.h>

int RunWriteBench(const std::string& dir)
{
    const std::vector<std::string> files = FindMp3Files(dir);
    std::size_t failures = 0;
    std::uint64_t bytes = 0;
    const BenchClock clock;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        // The same text for the same file on every run keeps the file sizes
        // (and so the work) alike from run to run.
        const std::string title = "tagbench title " + std::to_string(i);
        try {
            Tmp3TagV1 v1;
            v1.LoadFromFile(file);
            v1.SetTitle(title);
            v1.SaveToFile(file);
        } catch (const TagError& e) {
            std::cerr << e.what() << '\n';
            ++failures;
            continue;
        }
        Tmp3TagV2 v2;
        if (!v2.LoadFromFile(file) || (v2.SetTitle(title), !v2.SaveToFile(file))) {
            std::cerr << "cannot save the ID3v2 tag of " << file << '\n';
            ++failures;
            continue;
        }
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0)
            bytes += static_cast<std::uint64_t>(st.st_size);
    }
    const double seconds = clock.seconds();

    std::cout << "failures " << failures << '\n';
    std::cout << WriteSummary(files.size() - failures, bytes, seconds) << std::endl;
    return failures == 0 ? 0 : 1;
}
