// Every test program gets data, settings and cache folders of its own, made
// before any test runs and removed at exit: what the program keeps there
// (the save and undo journals, the settings) never reaches the folders of
// whoever runs the tests, also when a test program is run by hand. Tests
// that need other folders set the variables themselves.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct PrivateDataFolders {
    std::string root;

    PrivateDataFolders()
    {
        std::string folder = "/tmp/tunevault-test-home.XXXXXX";
        if (!mkdtemp(folder.data()))
            std::abort(); // running on would use the real folders
        root = folder;
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
            const std::string path = root + "/" + name;
            std::filesystem::create_directory(path);
            setenv(name, path.c_str(), 1);
        }
    }
    ~PrivateDataFolders()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

const PrivateDataFolders g_folders;

} // namespace
