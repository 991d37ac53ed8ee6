#include "folderflushes.h"

#include "filedescriptor.h"

void FolderFlushes::Add(const std::string& folder)
{
    const std::lock_guard lock(m_mutex);
    m_folders.insert(folder);
}

std::vector<std::string> FolderFlushes::Take()
{
    const std::lock_guard lock(m_mutex);
    std::vector<std::string> folders(m_folders.begin(), m_folders.end());
    m_folders.clear();
    return folders;
}

void FolderFlushes::AddSettlement(std::function<void()> settle)
{
    const std::lock_guard lock(m_mutex);
    m_settlements.push_back(std::move(settle));
}

void FolderFlushes::RunSettlements()
{
    std::vector<std::function<void()>> settlements;
    {
        const std::lock_guard lock(m_mutex);
        settlements.swap(m_settlements);
    }
    for (const std::function<void()>& settle : settlements)
        settle();
}

bool FlushFolder(const std::string& folder)
{
    const FileDescriptor dir = OpenFolder(folder);
    return dir.valid() && FlushFolder(dir.get());
}
