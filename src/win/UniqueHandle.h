// Owning wrappers for every kind of Windows handle the program opens.
// A wrapper closes its handle exactly once: copies are forbidden, moves hand ownership over,
// and closing keeps the caller's GetLastError() intact so a failure can still be read after
// the handle went out of scope.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wincrypt.h>

#include <utility>

namespace win {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type value) : value_(value) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const { return value_; }
    bool valid() const { return value_ != Traits::Invalid(); }
    explicit operator bool() const { return valid(); }

    [[nodiscard]] Type release() {
        Type value = value_;
        value_ = Traits::Invalid();
        return value;
    }

    void reset(Type value = Traits::Invalid()) {
        if (valid()) {
            DWORD lastError = GetLastError();
            Traits::Close(value_);
            SetLastError(lastError);
        }
        value_ = value;
    }

    // Empties the wrapper and hands out its address so an API can fill it.
    Type* put() {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::Invalid();
};

struct FileTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct KernelTraits {  // process, thread and event handles: NULL when empty
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FindTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
struct KeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};
struct GdiTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
struct GlobalTraits {
    using Type = HGLOBAL;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { GlobalFree(h); }
};

struct CryptProviderTraits {
    using Type = HCRYPTPROV;
    static Type Invalid() { return 0; }
    static void Close(Type h) { CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
    using Type = HCRYPTHASH;
    static Type Invalid() { return 0; }
    static void Close(Type h) { CryptDestroyHash(h); }
};

struct LocalTraits {
    using Type = HLOCAL;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { LocalFree(h); }
};
struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { SysFreeString(h); }
};

using UniqueFile = UniqueHandle<FileTraits>;
using UniqueKernelHandle = UniqueHandle<KernelTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueKey = UniqueHandle<KeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueGdiObject = UniqueHandle<GdiTraits>;
using UniqueGlobal = UniqueHandle<GlobalTraits>;
using UniqueCryptProvider = UniqueHandle<CryptProviderTraits>;
using UniqueCryptHash = UniqueHandle<CryptHashTraits>;
using UniqueLocal = UniqueHandle<LocalTraits>;
using UniqueBstr = UniqueHandle<BstrTraits>;

// A COM interface pointer released once.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    void reset() {
        if (ptr_) ptr_->Release();
        ptr_ = nullptr;
    }
    // For CoCreateInstance and QueryInterface, which want a void**.
    void** put_void() {
        reset();
        return reinterpret_cast<void**>(&ptr_);
    }
    // For methods that hand out an interface of this type.
    T** put() {
        reset();
        return &ptr_;
    }

private:
    T* ptr_ = nullptr;
};

// Pairs CoInitialize with CoUninitialize. S_FALSE ("already initialised") also needs the
// matching CoUninitialize, so success is tested with SUCCEEDED, not == S_OK.
class ComInit {
public:
    ComInit() : result_(CoInitialize(nullptr)) {}
    ~ComInit() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace win
