#pragma once
// Reads the front covers of MP3 files for the hover panel: in the
// background, one file at a time, the newest request first (older ones that
// have not started are dropped), as small thumbnails kept for the files
// shown last. A file's entry counts while its change time and size stay.

#include <QImage>
#include <QObject>
#include <QThreadPool>

#include <cstdint>
#include <list>
#include <string>

class TCoverLoader final : public QObject {
    Q_OBJECT
public:
    // Thumbnails fit into `size` × `size` pixels.
    explicit TCoverLoader(int size, QObject* parent = nullptr);
    ~TCoverLoader() override;

    // The thumbnail when the file's cover was read before (a null image for
    // a file without one); otherwise false, and the cover is read: Loaded
    // tells when.
    bool Find(const std::string& path, QImage& thumbnail);

signals:
    // On the thread of the loader, once a requested cover was read.
    void Loaded(const std::string& path, const QImage& thumbnail);

private:
    struct Entry {
        std::string path;
        std::int64_t changeTime = 0;
        std::int64_t size = 0;
        QImage thumbnail;
    };
    // The key of a file as it stands; false when it cannot be examined.
    static bool keyOf(const std::string& path, Entry& entry);
    void store(Entry entry);

    int m_size;
    QThreadPool m_pool;
    std::list<Entry> m_cache;  // the last used first
};
