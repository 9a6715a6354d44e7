#include "win/served_observatory.h"

#include <functional>
#include <utility>

#include "station/object_factory.h"

namespace kov::win::test {

namespace {

using Build = std::function<void(sim::Observatory&, ServedObject&, const std::string& progId)>;

// A member that forwards to the simulator's own: the arguments converted to the types it takes,
// the first `Refs` of them refused unless they come by reference, as the real program takes them.
template <UINT Refs = 0, class P, class T, class R, class... A>
Answer Fwd(std::shared_ptr<P> p, R (T::*m)(A...)) {
    return Do([p, m](const Call& c) {
        auto call = [&]<std::size_t... I>(std::index_sequence<I...>) {
            return ((*p).*m)(c.arg<std::decay_t<A>>(I, Refs)...);
        };
        return call(std::index_sequence_for<A...>{});
    });
}

void Serve(ServedObject& o, std::shared_ptr<AscomTelescope> t) {
    o.answer("Connected", Fwd(t, &AscomTelescope::Connected));
    o.onPut("Connected", Fwd(t, &AscomTelescope::SetConnected));
    o.answer("Name", Fwd(t, &AscomTelescope::Name));
    o.answer("CommandBool", Fwd(t, &AscomTelescope::CommandBool));
    o.answer("CommandString", Fwd(t, &AscomTelescope::CommandString));
    o.answer("CommandNative", Fwd(t, &AscomTelescope::CommandNative));
}

void Serve(ServedObject& o, std::shared_ptr<SkyTelescope> t) {
    o.answer("Connect", Fwd(t, &SkyTelescope::Connect));
    o.answer("Disconnect", Fwd(t, &SkyTelescope::Disconnect));
    o.answer("IsConnected", Fwd(t, &SkyTelescope::IsConnected));
    o.onPut("Asynchronous", Fwd(t, &SkyTelescope::SetAsynchronous));
    o.answer("GetRaDec", Fwd(t, &SkyTelescope::GetRaDec));
    o.answer("dRA", Fwd(t, &SkyTelescope::dRA));
    o.answer("dDec", Fwd(t, &SkyTelescope::dDec));
    o.answer("GetAzAlt", Fwd(t, &SkyTelescope::GetAzAlt));
    o.answer("dAlt", Fwd(t, &SkyTelescope::dAlt));
    o.answer("dAz", Fwd(t, &SkyTelescope::dAz));
    o.answer("SlewToRaDec", Fwd<2>(t, &SkyTelescope::SlewToRaDec));
    o.answer("SlewToAzAlt", Fwd<2>(t, &SkyTelescope::SlewToAzAlt));
    o.answer("IsSlewComplete", Fwd(t, &SkyTelescope::IsSlewComplete));
}

void Serve(ServedObject& o, std::shared_ptr<SkyPlanetarium> p) {
    o.answer("Connect", Fwd(p, &SkyPlanetarium::Connect));
    o.answer("Disconnect", Fwd(p, &SkyPlanetarium::Disconnect));
    o.answer("DisconnectTelescope", Fwd(p, &SkyPlanetarium::DisconnectTelescope));
    o.answer("ImageLink", Fwd<3>(p, &SkyPlanetarium::ImageLink));
    o.answer("GetObjectRaDec", Fwd(p, &SkyPlanetarium::GetObjectRaDec));
    o.answer("dObjectRa", Fwd(p, &SkyPlanetarium::dObjectRa));
    o.answer("dObjectDec", Fwd(p, &SkyPlanetarium::dObjectDec));
}

void Serve(ServedObject& o, std::shared_ptr<DriverUtil> u) {
    o.answer("DMSToDegrees", Fwd(u, &DriverUtil::DMSToDegrees));
    o.answer("DegreesToDMS", Fwd(u, &DriverUtil::DegreesToDMS));
    o.answer("HoursToHMS", Fwd(u, &DriverUtil::HoursToHMS));
}

void Serve(ServedObject& o, std::shared_ptr<DriverChooser> ch) {
    o.onPut("DeviceType", Fwd(ch, &DriverChooser::SetDeviceType));
    o.answer("Choose", Fwd<1>(ch, &DriverChooser::Choose));
}

void Serve(ServedObject& o, std::shared_ptr<CcdCamera> cam) {
    o.answer("Connect", Fwd(cam, &CcdCamera::Connect));
    o.answer("Disconnect", Fwd(cam, &CcdCamera::Disconnect));
    o.onPut("ExposureTime", Fwd(cam, &CcdCamera::SetExposureTime));
    o.onPut("BinX", Fwd(cam, &CcdCamera::SetBinX));
    o.onPut("BinY", Fwd(cam, &CcdCamera::SetBinY));
    o.onPut("ImageReduction", Fwd(cam, &CcdCamera::SetImageReduction));
    o.onPut("Series", Fwd(cam, &CcdCamera::SetSeries));
    o.onPut("Delay", Fwd(cam, &CcdCamera::SetDelay));
    o.answer("AutoSaveOn", Fwd(cam, &CcdCamera::AutoSaveOn));
    o.onPut("AutoSaveOn", Fwd(cam, &CcdCamera::SetAutoSaveOn));
    o.onPut("Asynchronous", Fwd(cam, &CcdCamera::SetAsynchronous));
    o.answer("TakeImage", Fwd(cam, &CcdCamera::TakeImage));
    o.answer("State", Fwd(cam, &CcdCamera::State));
    o.answer("Status", Fwd(cam, &CcdCamera::Status));
    o.answer("Abort", Fwd(cam, &CcdCamera::Abort));
    o.onPut("AutoSaveFileFormat", Fwd(cam, &CcdCamera::SetAutoSaveFileFormat));
}

void Serve(ServedObject& o, std::shared_ptr<CcdImage> im) {
    o.answer("AttachToActiveImager", Fwd(im, &CcdImage::AttachToActiveImager));
    o.answer("ScaleInArcsecondsPerPixel", Fwd(im, &CcdImage::ScaleInArcsecondsPerPixel));
    o.onPut("ScaleInArcsecondsPerPixel", Fwd(im, &CcdImage::SetScaleInArcsecondsPerPixel));
    o.answer("Path", Fwd(im, &CcdImage::Path));
    o.onPut("Path", Fwd(im, &CcdImage::SetPath));
    o.answer("Save", Fwd(im, &CcdImage::Save));
    o.answer("InsertWCS", Fwd(im, &CcdImage::InsertWCS));
    o.answer("WCSArray", [im](const Call& c, VARIANT* r, EXCEPINFO* x) {
        long bound = 0;
        const HRESULT hr =
            Do([&](const Call&) { bound = im->WCSArrayUpperBound(c.arg<int>(0)); })(c, r, x);
        return FAILED(hr) ? hr : Array(bound + 1)(c, r, x);
    });
    o.answer("NorthAngle", Fwd(im, &CcdImage::NorthAngle));
}

void Serve(ServedObject& o, std::shared_ptr<MaximDocument> d) {
    o.answer("SaveFile", Fwd(d, &MaximDocument::SaveFile));
    o.answer("Calibrate", Fwd(d, &MaximDocument::Calibrate));
    o.answer("Copy", Fwd(d, &MaximDocument::Copy));
}

// MaxIm DL hands out its camera and the camera's document as objects of their own, served here
// each time they are asked for and owned by the object that handed them out.
void Serve(ServedObject& o, std::shared_ptr<MaximCamera> cam);

template <class T>
IDispatch* Child(ServedObject& parent, std::shared_ptr<T> object) {
    if (!object) {
        return nullptr;
    }
    ServedObject& child = parent.own(std::make_unique<ServedObject>());
    Serve(child, std::move(object));
    child.AddRef();
    return &child;
}

void Serve(ServedObject& o, std::shared_ptr<MaximCamera> cam) {
    o.onPut("LinkEnabled", Fwd(cam, &MaximCamera::SetLinkEnabled));
    o.answer("BinX", Fwd(cam, &MaximCamera::BinX));
    o.onPut("BinX", Fwd(cam, &MaximCamera::SetBinX));
    o.onPut("BinY", Fwd(cam, &MaximCamera::SetBinY));
    o.answer("Temperature", Fwd(cam, &MaximCamera::Temperature));
    o.answer("Expose", Fwd(cam, &MaximCamera::Expose));
    o.answer("ImageReady", Fwd(cam, &MaximCamera::ImageReady));
    o.answer("AbortExposure", Fwd(cam, &MaximCamera::AbortExposure));
    o.answer("Document", Do([cam, &o](const Call&) { return Child(o, cam->Document()); }));
}

void Serve(ServedObject& o, std::shared_ptr<MaximApplication> app) {
    o.answer("CCDCamera", Do([app, &o](const Call&) { return Child(o, app->CCDCamera()); }));
    o.answer("CalClear", Fwd(app, &MaximApplication::CalClear));
    o.answer("CalAddDark", Fwd(app, &MaximApplication::CalAddDark));
    o.answer("CalSet", Fwd(app, &MaximApplication::CalSet));
}

// How each identifier's object is made: the simulator's factory member for its kind.
template <auto Create>
Build Kind() {
    return [](sim::Observatory& sim, ServedObject& o, const std::string& progId) {
        Serve(o, (sim.factory().*Create)(progId));
    };
}

// Under Wine the identifiers must sit under HKLM's classes: those under HKCU are not seen.
std::wstring ClassKey(const std::string& progId) {
    return L"Software\\Classes\\" + Widen(progId);
}

}  // namespace

// Makes one identifier's objects; it and the objects it made live as long as the observatory.
class ServedObservatory::Factory : public IClassFactory {
  public:
    Factory(sim::Observatory& sim, std::string progId, Build build, int index)
        : sim_(sim), progId_(std::move(progId)), build_(std::move(build)) {
        clsid_ = {0x6b6f7600, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, static_cast<BYTE>(index)}};
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey(progId_).c_str());
        wchar_t text[40];
        StringFromGUID2(clsid_, text, 40);
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, (ClassKey(progId_) + L"\\CLSID").c_str(), nullptr,
                        REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
        CoRegisterClassObject(clsid_, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
        registration_ = references_;  // the class table's own, given back at the revoke
    }
    ~Factory() {
        CoRevokeClassObject(cookie_);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey(progId_).c_str());
    }
    long held() const { return references_ - registration_ + objects_.held(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
            return *object = nullptr, E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        return AddRef(), S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        *object = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        auto served = std::make_unique<ServedObject>();
        try {
            build_(sim_, *served, progId_);
        } catch (const AutomationError&) {
            return CO_E_SERVER_EXEC_FAILURE;  // a program the night marks missing
        }
        return objects_.own(std::move(served)).QueryInterface(riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  private:
    sim::Observatory& sim_;
    std::string progId_;
    Build build_;
    CLSID clsid_;
    DWORD cookie_ = 0;
    long references_ = 0;
    long registration_ = 0;
    ServedObject objects_;  // owns what was made; never handed out itself
};

ServedObservatory::ServedObservatory(sim::Observatory& sim) {
    using F = ObjectFactory;
    const std::pair<std::string, Build> ids[] = {
        {progid::kTheSky5, Kind<&F::createPlanetarium>()},
        {progid::kTheSky6, Kind<&F::createPlanetarium>()},
        {progid::kTele5, Kind<&F::createSkyTelescope>()},
        {progid::kTele6, Kind<&F::createSkyTelescope>()},
        {progid::kGemini, Kind<&F::createAscomTelescope>()},
        {progid::kUtil, Kind<&F::createDriverUtil>()},
        {progid::kChooser, Kind<&F::createChooser>()},
        {progid::kCcdCamera, Kind<&F::createCcdCamera>()},
        {progid::kCcdImage, Kind<&F::createCcdImage>()},
        {progid::kMaxim, Kind<&F::createMaximApplication>()},
    };
    int index = 0;
    for (const auto& [progId, build] : ids) {
        factories_.push_back(std::make_unique<Factory>(sim, progId, build, ++index));
    }
}

ServedObservatory::~ServedObservatory() = default;

long ServedObservatory::held() const {
    long n = 0;
    for (const auto& f : factories_) {
        n += f->held();
    }
    return n;
}

}  // namespace kov::win::test
