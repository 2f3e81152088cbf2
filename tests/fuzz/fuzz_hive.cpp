// Settings hive text: the file read as the store reads it, then walked
// (keys to a bounded depth, every value).

#include "FuzzSupport.h"
#include "platform/registry/Registry.h"

namespace {

void Walk(const reg::RegKey& key, int depth, int& budget)
{
    for (const QString& name : key.ValueNames()) {
        QByteArray bytes;
        key.ReadBinary(name, bytes);
        if (--budget < 0)
            return;
    }
    if (depth == 0)
        return;
    for (const QString& name : key.SubKeyNames()) {
        reg::RegKey sub;
        if (sub.Open(key.GetHive(), key.GetPath() + u'\\' + name) == reg::ERROR_SUCCESS)
            Walk(sub, depth - 1, budget);
        if (--budget < 0)
            return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Root();
    fuzz::WriteFile(reg::HiveFilePath(reg::HKEY_CURRENT_USER), data, size);
    reg::ResetStore();
    reg::RegKey root;
    if (root.Open(reg::HKEY_CURRENT_USER, QString()) != reg::ERROR_SUCCESS)
        return 0;
    int budget = 2000;
    Walk(root, 6, budget);
    return 0;
}
