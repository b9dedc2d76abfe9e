// Dynamic Annotation over the system's IAccPropServices (oleacc): a
// property set on a control's client object answers every reader that asks
// for it, in this process or another.
#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include "devlink/ui/win32/accessible_annotations.h"

namespace tq::ui {
namespace {

// Spelt out here: the GUIDs from MinGW's static libuuid have been read as
// garbage, which makes CoCreateInstance fail or the service misread the
// property asked for.
constexpr CLSID kClsidAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIidAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kPropIdName = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr MSAAPROPID kPropIdValue = {
    0x123fe443, 0x211a, 0x4615, {0x95, 0x27, 0xc4, 0x5a, 0x7e, 0x93, 0x71, 0x7a}};

class SystemAccPropServices final : public AccessibleAnnotations {
 public:
  SystemAccPropServices(IAccPropServices* services, bool ownsCom)
      : services_(services), ownsCom_(ownsCom) {}
  ~SystemAccPropServices() override {
    services_->Release();
    if (ownsCom_) CoUninitialize();
  }
  SystemAccPropServices(const SystemAccPropServices&) = delete;
  SystemAccPropServices& operator=(const SystemAccPropServices&) = delete;

  bool Set(void* hwnd, Property property, const std::wstring& text) override {
    const MSAAPROPID& id = property == Property::Name ? kPropIdName : kPropIdValue;
    return SUCCEEDED(services_->SetHwndPropStr(static_cast<HWND>(hwnd),
                                               static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                               id, text.c_str()));
  }

  void Clear(void* hwnd) override {
    const MSAAPROPID ids[] = {kPropIdName, kPropIdValue};
    services_->ClearHwndProps(static_cast<HWND>(hwnd), static_cast<DWORD>(OBJID_CLIENT),
                              CHILDID_SELF, ids, 2);
  }

 private:
  IAccPropServices* services_;
  bool ownsCom_;
};

}  // namespace

std::unique_ptr<AccessibleAnnotations> SystemAnnotations() {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // S_FALSE: already initialised here, which still needs its uninitialise;
  // RPC_E_CHANGED_MODE: initialised otherwise, usable as it is.
  const bool ownsCom = SUCCEEDED(com);
  if (FAILED(com) && com != RPC_E_CHANGED_MODE) return nullptr;
  void* services = nullptr;
  if (FAILED(CoCreateInstance(kClsidAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              kIidAccPropServices, &services)) ||
      services == nullptr) {
    if (ownsCom) CoUninitialize();
    return nullptr;
  }
  return std::make_unique<SystemAccPropServices>(static_cast<IAccPropServices*>(services),
                                                 ownsCom);
}

}  // namespace tq::ui
