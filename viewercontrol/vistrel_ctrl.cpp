#include "viewercontrol/vistrel_ctrl.h"

#include <atomic>

#include "platform/automation/com.h"
#include "viewercontrol/identity.h"
#include "viewercontrol/show.h"

namespace korvale::vistrel {

namespace {
std::atomic<int> live_objects{0};
}

CVistrelCtrl::CVistrelCtrl(MessageBoxes& boxes, MapiClientFactory mapi, ObjectCreator create)
    : boxes_(boxes), mapi_(std::move(mapi)), create_(std::move(create)) {
  if (!create_)
    create_ = [](const std::string& prog_id, std::shared_ptr<IDispatch>* object) {
      return automation::CoCreateInstance(prog_id, object);
    };
  ++live_objects;
}

CVistrelCtrl::~CVistrelCtrl() { --live_objects; }

int CVistrelCtrl::LiveObjects() { return live_objects; }

long CVistrelCtrl::Show() {
  ShowCall call(boxes_, mapi_, create_, disp_name_);
  return call.Run();
}

HRESULT CVistrelCtrl::Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args, Variant* result,
                             EXCEPINFO*) {
  if (id == DISPID_DispName && (flags & automation::DISPATCH_PROPERTYPUT)) {
    if (args.size() != 1) return automation::DISP_E_BADPARAMCOUNT;
    const auto* text = std::get_if<std::string>(&args[0]);
    if (!text) return automation::DISP_E_TYPEMISMATCH;
    SetDispName(*text);
    return S_OK;
  }
  if (id == DISPID_DispName && (flags & automation::DISPATCH_PROPERTYGET)) {
    if (!args.empty()) return automation::DISP_E_BADPARAMCOUNT;
    if (result) *result = GetDispName();
    return S_OK;
  }
  if (id == DISPID_Show && (flags & automation::DISPATCH_METHOD)) {
    if (!args.empty()) return automation::DISP_E_BADPARAMCOUNT;
    long shown = Show();
    if (result) *result = static_cast<int32_t>(shown);
    return S_OK;
  }
  return automation::DISP_E_MEMBERNOTFOUND;
}

const char* CVistrelPropPage::Caption() { return kPageCaption; }

HRESULT CVistrelPropPage::Invoke(DISPID, uint16_t, const std::vector<Variant>&, Variant*, EXCEPINFO*) {
  return automation::DISP_E_MEMBERNOTFOUND;
}

}  // namespace korvale::vistrel
