#include "tcoverloader.h"

#include "optionvalues.h"
#include "tmp3tagv2.h"

#include <QMetaObject>

#include <sys/stat.h>

namespace {

// Files whose thumbnails are kept.
constexpr std::size_t kCacheSize = 64;

} // namespace

TCoverLoader::TCoverLoader(int size, QObject* parent)
    : QObject(parent)
    , m_size(size)
{
    m_pool.setMaxThreadCount(1);
}

TCoverLoader::~TCoverLoader()
{
    // No read may report to a loader that is gone.
    m_pool.clear();
    m_pool.waitForDone();
}

bool TCoverLoader::keyOf(const std::string& path, Entry& entry)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    entry.path = path;
    entry.changeTime = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    entry.size = st.st_size;
    return true;
}

bool TCoverLoader::Find(const std::string& path, QImage& thumbnail)
{
    Entry key;
    if (!keyOf(path, key)) {
        thumbnail = {};
        return true;  // nothing to read
    }
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
        if (it->path != path)
            continue;
        if (it->changeTime == key.changeTime && it->size == key.size) {
            m_cache.splice(m_cache.begin(), m_cache, it);
            thumbnail = m_cache.front().thumbnail;
            return true;
        }
        m_cache.erase(it);
        break;
    }
    // Only the newest request matters: the panel shows one file at a time.
    m_pool.clear();
    const int size = m_size;
    const TagOptions tagOptions = options::CurrentTagOptions();
    m_pool.start([this, key, size, tagOptions]() mutable {
        Tmp3TagV2 tag(tagOptions);
        if (tag.LoadCover(key.path) && tag.Cover()) {
            const std::string& data = tag.Cover()->data;
            QImage image;
            if (image.loadFromData(reinterpret_cast<const uchar*>(data.data()), static_cast<int>(data.size())))
                key.thumbnail = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        QMetaObject::invokeMethod(this, [this, entry = std::move(key)]() mutable {
            const std::string path = entry.path;
            const QImage thumbnail = entry.thumbnail;
            store(std::move(entry));
            emit Loaded(path, thumbnail);
        }, Qt::QueuedConnection);
    });
    return false;
}

void TCoverLoader::store(Entry entry)
{
    m_cache.remove_if([&](const Entry& e) { return e.path == entry.path; });
    m_cache.push_front(std::move(entry));
    if (m_cache.size() > kCacheSize)
        m_cache.pop_back();
}
