#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win/com_types.h"

namespace kov::win::test {

// An automation object the tests serve themselves. It answers every name, writes each call into
// a log as it arrived ("SlewToRaDec(&5.5, &40, 'KovSkyMapper')", "Connected = true"), returns
// or raises what the test scripts, and changes its by-reference arguments (numbers +1, texts
// get "!" appended, booleans flip) so that the caller's copy-back shows. It counts the
// references others hold on it; it is owned by the test, and a Release to zero does not free it.
class RecordingObject : public IDispatch {
  public:
    using Answer = std::function<HRESULT(VARIANT* result, EXCEPINFO* exception)>;

    RecordingObject() = default;
    RecordingObject(const RecordingObject&) = delete;
    RecordingObject& operator=(const RecordingObject&) = delete;

    // What a member answers, by name as the caller spells it, compared without regard to case.
    void answer(const std::string& name, Answer answer);
    void returns(const std::string& name, double value);
    void returnsText(const std::string& name, const std::string& value);
    void returnsBool(const std::string& name, bool value);
    // An array with this many elements (bounds 0..count-1).
    void returnsArray(const std::string& name, long count);
    // A child object of its own, served the same way; it lives as long as this one.
    RecordingObject& returnsChild(const std::string& name);
    void raises(const std::string& name, HRESULT hr);
    void raisesException(const std::string& name, WORD wCode, HRESULT scode,
                         const std::wstring& description, bool deferred = false);
    // Names GetIDsOfNames does not know.
    void unknown(const std::string& name);

    long references() const { return references_; }  // held by others now
    int nameLookups() const { return nameLookups_; }
    std::vector<std::string> log;

    // IUnknown and IDispatch.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override;

  private:
    std::map<std::string, Answer> answers_;  // by upper-cased name
    std::vector<std::string> names_;         // DISPID - 1 -> name as first spelled
    std::vector<std::string> unknown_;
    std::vector<std::unique_ptr<RecordingObject>> children_;
    long references_ = 0;
    int nameLookups_ = 0;
};

}  // namespace kov::win::test
