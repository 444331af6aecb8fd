/* A temporary folder kept in memory, with the platform's case-insensitive names and wildcard search,
   and the HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE parts of the registry. */
#include "internal.h"

#include <gtest/gtest.h>

#include <fnmatch.h>

#include <algorithm>
#include <deque>
#include <map>

namespace {

struct Entry {
    std::string path;          // as created, for the search's answers
    std::string content;
    bool folder;
    bool readOnly;             // a file's read-only attribute; in a read-only folder no file can be made
    ULONGLONG written;         // the time of last write, from the clock, as the file system stamps it
};

struct OpenFile {
    std::string key;
    bool writing;
    bool setsTimes;            // opened for writing or for its attributes, as SetFileTime needs
    size_t position;
    bool deleteOnClose;
};

struct FileHook { std::string call; std::function<void()> look; };

struct RegistryValueData { DWORD type; std::string data; };

// The files and the registry of a fresh desktop.
struct FilesAndRegistry {
    std::vector<std::pair<std::string, Entry>> entries;   // in creation order, keyed by the folded path
    std::map<ULONG_PTR, OpenFile> openFiles;
    std::map<ULONG_PTR, std::deque<std::string>> searches;   // the paths each search has still to give
    ULONG_PTR lastHandle = 0x7000;
    std::string currentFolder = "C:\\";
    std::map<std::string, DWORD> failures;
    std::vector<std::string> registryWrites;
    std::map<std::string, std::map<std::string, RegistryValueData>> registry;
    std::map<ULONG_PTR, std::string> openKeys;
    std::vector<FileHook> hooks;
} g;

void RunFileHooks(const char *call)
{
    std::vector<FileHook> hooks = g.hooks;
    for (const FileHook &hook : hooks)
        if (hook.call == call)
            hook.look();
}

// A file call as it is made: the test's looks run, then the failure it injected, if any.
bool Fails(const char *call)
{
    RunFileHooks(call);
    auto failure = g.failures.find(call);
    if (failure != g.failures.end())
        SetLastError(failure->second);
    return failure != g.failures.end();
}

// What a handle the player holds stands for; any other handle fails the test.
template <typename Value>
Value *Held(std::map<ULONG_PTR, Value> &handles, const void *handle)
{
    auto held = handles.find(reinterpret_cast<ULONG_PTR>(handle));
    if (held != handles.end())
        return &held->second;
    ADD_FAILURE() << "a handle that is not open: " << handle;
    return nullptr;
}

// Names compare as the file system compares them: either slash, any letter case.
std::string Fold(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return c == '/' ? '\\' : static_cast<char>(tolower(c)); });
    return text;
}

std::string FolderOf(const std::string &path)
{
    size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string NameOf(const std::string &path)
{
    size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

Entry *Lookup(const std::string &path)
{
    std::string key = Fold(path);
    for (auto &entry : g.entries)
        if (entry.first == key)
            return &entry.second;
    return nullptr;
}

bool FolderWritable(const std::string &path)
{
    Entry *folder = Lookup(FolderOf(path));
    return folder && folder->folder && !folder->readOnly;
}

// The clock's milliseconds from the first of January 2024, in FILETIME's 100 ns since 1601.
ULONGLONG FileTimeNow() { return 133485408000000000ull + GetTickCount() * 10000ull; }

FILETIME AsFileTime(ULONGLONG time) { return FILETIME{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)}; }

void Store(const std::string &path, const std::string &content, bool folder)
{
    if (Entry *existing = Lookup(path)) {
        existing->content = content;
        existing->written = FileTimeNow();
        return;
    }
    g.entries.push_back({Fold(path), Entry{path, content, folder, false, FileTimeNow()}});
}

ULONG_PTR NewHandle() { return ++g.lastHandle; }

}  // namespace

namespace standin {

void ResetFilesAndRegistry() { g = {}; }

void ExpectFilesClosed()
{
    EXPECT_TRUE(g.openFiles.empty()) << g.openFiles.size() << " file handle(s) left open";
    EXPECT_TRUE(g.searches.empty()) << g.searches.size() << " search handle(s) left open";
    EXPECT_TRUE(g.openKeys.empty()) << g.openKeys.size() << " registry key(s) left open";
}

void MakeFolder(const char *path)
{
    std::string folder = path;
    for (size_t at = folder.find('\\'); at != std::string::npos; at = folder.find('\\', at + 1))
        if (!Lookup(folder.substr(0, at)))
            Store(folder.substr(0, at), "", true);
    Store(folder, "", true);
}

void PutFile(const char *path, const std::string &content)
{
    MakeFolder(FolderOf(path).c_str());
    Store(path, content, false);
}

bool FileExists(const char *path) { Entry *e = Lookup(path); return e && !e->folder; }

std::string FileContent(const char *path)
{
    Entry *entry = Lookup(path);
    EXPECT_TRUE(entry) << "no file " << path;
    return entry ? entry->content : std::string();
}

void MakeFolderReadOnly(const char *path)
{
    MakeFolder(path);
    Lookup(path)->readOnly = true;
}

void FailFileCall(const char *call, DWORD error) { g.failures[call] = error; }
void MakeFileReadOnly(const char *path) { Lookup(path)->readOnly = true; }
void BeforeFileCall(const char *call, std::function<void()> look) { g.hooks.push_back({call, std::move(look)}); }

std::vector<std::string> FilesIn(const char *folder)
{
    std::vector<std::string> names;
    for (const auto &entry : g.entries)
        if (!entry.second.folder && Fold(FolderOf(entry.second.path)) == Fold(folder))
            names.push_back(NameOf(entry.second.path));
    return names;
}
std::vector<std::string> &RegistryWrites() { return g.registryWrites; }

void SetCurrentFolder(const char *path)
{
    g.currentFolder = path;
    if (g.currentFolder.back() != '\\')
        g.currentFolder += '\\';
}

bool RegistryValue(const char *key, const char *name, DWORD *type, std::string *data)
{
    auto folded = g.registry.find(Fold(key));
    if (folded == g.registry.end() || !folded->second.count(name))
        return false;
    *type = folded->second[name].type;
    *data = folded->second[name].data;
    return true;
}

void PutRegistryValue(const char *key, const char *name, DWORD type, const std::string &data)
{
    g.registry[Fold(key)][name] = {type, data};
}

}  // namespace standin

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD flags, HANDLE)
{
    RunFileHooks("CreateFileA");
    EXPECT_EQ(share, 0u) << "the player opens files without sharing";
    Entry *entry = Lookup(name);
    bool writing = (access & GENERIC_WRITE) != 0;
    for (const auto &open : g.openFiles)
        if (open.second.key == Fold(name))
            return Fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
    if (disposition == OPEN_EXISTING) {
        if (!entry || entry->folder)
            return Fail(entry ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    } else if (disposition == CREATE_NEW && entry) {
        return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
    } else if (disposition == CREATE_NEW || disposition == OPEN_ALWAYS) {
        bool keep = disposition == OPEN_ALWAYS && entry;
        if (!FolderWritable(name) || (entry && (entry->folder || entry->readOnly)))
            return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        if (!keep)
            Store(name, "", false);
    } else {
        ADD_FAILURE() << "CreateFileA disposition " << disposition << " is not part of the stand-in";
        return INVALID_HANDLE_VALUE;
    }
    ULONG_PTR handle = NewHandle();
    g.openFiles[handle] = OpenFile{Fold(name), writing, writing || (access & FILE_WRITE_ATTRIBUTES) != 0, 0,
                                   (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0};
    return reinterpret_cast<HANDLE>(handle);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED)
{
    *read = 0;
    OpenFile *open = Held(g.openFiles, file);
    if (Fails("ReadFile") || !open)
        return FALSE;
    EXPECT_FALSE(open->writing) << "ReadFile on a file opened for writing";
    const std::string &content = Lookup(open->key)->content;
    size_t available = content.size() - std::min(content.size(), open->position);
    size_t taken = std::min<size_t>(available, count);
    memcpy(buffer, content.data() + open->position, taken);
    open->position += taken;
    *read = static_cast<DWORD>(taken);
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED)
{
    *written = 0;
    OpenFile *open = Held(g.openFiles, file);
    if (Fails("WriteFile") || !open)
        return FALSE;
    EXPECT_TRUE(open->writing) << "WriteFile on a file opened for reading";
    Entry *entry = Lookup(open->key);
    entry->content.append(static_cast<const char *>(buffer), count);
    entry->written = FileTimeNow();
    *written = count;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
    if (standin::CloseSyncHandle(handle))
        return TRUE;
    OpenFile *open = Held(g.openFiles, handle);
    if (!open)
        return FALSE;
    OpenFile closed = *open;
    g.openFiles.erase(reinterpret_cast<ULONG_PTR>(handle));
    if (closed.deleteOnClose)
        DeleteFileA(closed.key.c_str());
    return TRUE;
}

// As Wine 8 does, a read-only target is replaced all the same (Windows refuses it).
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags)
{
    if (Fails("MoveFileExA"))
        return FALSE;
    Entry *source = Lookup(from);
    Entry *target = Lookup(to);
    if (!source || !FolderWritable(to) || (target && (target->folder || !(flags & MOVEFILE_REPLACE_EXISTING))))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    Entry moved = *source;
    DeleteFileA(from);
    Store(to, moved.content, false);
    Lookup(to)->readOnly = false;
    Lookup(to)->written = moved.written;
    return TRUE;
}

BOOL DeleteFileA(LPCSTR name)
{
    std::string key = Fold(name);
    for (size_t i = 0; i < g.entries.size(); i++) {
        if (g.entries[i].first == key && !g.entries[i].second.folder) {
            g.entries.erase(g.entries.begin() + static_cast<long>(i));
            return TRUE;
        }
    }
    return Fail(ERROR_FILE_NOT_FOUND, FALSE);
}

DWORD GetFileAttributesA(LPCSTR name)
{
    Entry *entry = Lookup(name);
    if (!entry)
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
    if (entry->folder)
        return FILE_ATTRIBUTE_DIRECTORY;
    return entry->readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

// Slashes become backslashes and a relative name is taken from the current folder; no dot folders.
DWORD GetFullPathNameA(LPCSTR name, DWORD length, LPSTR buffer, LPSTR *filePart)
{
    EXPECT_EQ(filePart, nullptr) << "the player asks for no file part";
    std::string full = name;
    std::replace(full.begin(), full.end(), '/', '\\');
    bool absolute = (full.size() >= 3 && full[1] == ':' && full[2] == '\\') || full.rfind("\\\\", 0) == 0;
    if (!absolute)
        full = full[0] == '\\' ? g.currentFolder.substr(0, 2) + full : g.currentFolder + full;
    if (full.size() + 1 > length)
        return static_cast<DWORD>(full.size() + 1);
    memcpy(buffer, full.c_str(), full.size() + 1);
    return static_cast<DWORD>(full.size());
}

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA *found)
{
    std::string folder = Fold(FolderOf(pattern)), wildcard = NameOf(pattern);
    std::deque<std::string> names;
    for (const auto &entry : g.entries)
        if (Fold(FolderOf(entry.second.path)) == folder &&
            fnmatch(wildcard.c_str(), NameOf(entry.second.path).c_str(), FNM_CASEFOLD) == 0)
            names.push_back(entry.second.path);
    if (names.empty() || standin::Utf16Of(pattern).size() >= MAX_PATH)
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    HANDLE search = reinterpret_cast<HANDLE>(NewHandle());
    g.searches[reinterpret_cast<ULONG_PTR>(search)] = names;
    FindNextFileA(search, found);
    return search;
}

BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA *found)
{
    std::deque<std::string> *names = Held(g.searches, search);
    if (!names || names->empty())
        return Fail(ERROR_NO_MORE_FILES, FALSE);
    *found = WIN32_FIND_DATAA{};
    snprintf(found->cFileName, MAX_PATH, "%s", NameOf(names->front()).c_str());
    if (Entry *entry = Lookup(names->front())) {
        found->dwFileAttributes = entry->folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        found->nFileSizeHigh = static_cast<DWORD>(entry->content.size() >> 32);
        found->nFileSizeLow = static_cast<DWORD>(entry->content.size());
        found->ftLastWriteTime = AsFileTime(entry->written);
    }
    names->pop_front();
    return TRUE;
}

BOOL FindClose(HANDLE handle) { return g.searches.erase(reinterpret_cast<ULONG_PTR>(handle)) ? TRUE : FALSE; }

BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES security)
{
    EXPECT_EQ(security, nullptr);
    if (Lookup(name))
        return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (!Lookup(FolderOf(name)))
        return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    if (!FolderWritable(name))
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    Store(name, "", true);
    return TRUE;
}

// Only the time of last write is kept; a handle opened for reading alone may not change it.
BOOL SetFileTime(HANDLE file, const FILETIME *, const FILETIME *, const FILETIME *write)
{
    OpenFile *open = Held(g.openFiles, file);
    if (!open)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!open->setsTimes)
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (write)
        Lookup(open->key)->written = (static_cast<ULONGLONG>(write->dwHighDateTime) << 32) | write->dwLowDateTime;
    return TRUE;
}

void GetSystemTimeAsFileTime(FILETIME *now) { *now = AsFileTime(FileTimeNow()); }

// Keys are kept by their full names, "HKEY_CURRENT_USER\\Software\\...", as the tests name them.
static std::string RootedKey(HKEY root, LPCSTR subKey)
{
    EXPECT_TRUE(root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE);
    return Fold(std::string(root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\") + subKey);
}

static LONG OpenKey(const std::string &key, HKEY *result)
{
    ULONG_PTR handle = NewHandle();
    g.openKeys[handle] = key;
    *result = reinterpret_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, HKEY *result,
                     LPDWORD disposition)
{
    std::string key = RootedKey(root, subKey);
    if (disposition)
        *disposition = g.registry.count(key) ? 2 : 1;   // opened or created
    g.registry[key];
    return OpenKey(key, result);
}

LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD, REGSAM, HKEY *result)
{
    std::string key = RootedKey(root, subKey);
    return g.registry.count(key) ? OpenKey(key, result) : ERROR_FILE_NOT_FOUND;
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE *data, DWORD size)
{
    std::string *open = Held(g.openKeys, key);
    if (!open)
        return ERROR_INVALID_HANDLE;
    g.registry[*open][name] = {type, std::string(reinterpret_cast<const char *>(data), size)};
    g.registryWrites.push_back(name);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size)
{
    std::string *open = Held(g.openKeys, key);
    if (!open)
        return ERROR_INVALID_HANDLE;
    auto &values = g.registry[*open];
    if (!values.count(name))
        return ERROR_FILE_NOT_FOUND;
    const RegistryValueData &value = values[name];
    if (type)
        *type = value.type;
    bool fits = value.data.size() <= *size;
    *size = static_cast<DWORD>(value.data.size());
    if (!fits)
        return ERROR_MORE_DATA;
    memcpy(data, value.data.data(), value.data.size());
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) { return g.openKeys.erase(reinterpret_cast<ULONG_PTR>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }

// A wait takes no time here; what another instance does meanwhile is a hook's to script.
void Sleep(DWORD milliseconds)
{
    RunFileHooks("Sleep");
    standin::AdvanceClock(milliseconds);
}
