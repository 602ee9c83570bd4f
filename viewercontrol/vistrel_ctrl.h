// CVistrelCtrl: the calendar viewer control. A page sets `DispName` to a
// person's display name and calls `Show`; the control opens that person's
// calendar in the mail client, resolving the name through Extended MAPI when
// the mail client cannot resolve it by itself.
//
//   RecordingMessageBoxes boxes;
//   CVistrelCtrl control(boxes, [] { return std::make_unique<PlatformMapiClient>(); });
//   control.SetDispName("Anna Berg");
//   long result = control.Show();   // 0, or -1 after an automation exception
//
// Every failure ends in one message box (none when the user cancelled a MAPI
// dialog, none for an exception of code 4096) and everything `Show` opened
// is released before it returns; the control stays usable.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/automation/automation.h"
#include "viewercontrol/mapi_client.h"
#include "viewercontrol/message_boxes.h"

namespace korvale::vistrel {

using automation::DISPID;
using automation::EXCEPINFO;
using automation::IDispatch;
using automation::Variant;

// Creates an automation object by ProgID (CoCreateInstance in a container).
using ObjectCreator = std::function<HRESULT(const std::string& prog_id, std::shared_ptr<IDispatch>* object)>;
using MapiClientFactory = std::function<std::unique_ptr<MapiClient>()>;

class CVistrelCtrl : public IDispatch {
 public:
  CVistrelCtrl(MessageBoxes& boxes, MapiClientFactory mapi, ObjectCreator create = nullptr);
  ~CVistrelCtrl() override;

  std::string GetDispName() const { return disp_name_; }
  void SetDispName(std::string name) { disp_name_ = std::move(name); }
  long Show();

  // DISPID 1 `DispName` (get/put, a text) and DISPID 2 `Show` (method, long).
  HRESULT Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args, Variant* result,
                 EXCEPINFO* exception) override;

  // Controls alive in this process (DllCanUnloadNow).
  static int LiveObjects();

 private:
  MessageBoxes& boxes_;
  MapiClientFactory mapi_;
  ObjectCreator create_;
  std::string disp_name_;
};

// The property page: no controls of its own, caption "General".
class CVistrelPropPage : public IDispatch {
 public:
  static const char* Caption();
  HRESULT Invoke(DISPID, uint16_t, const std::vector<Variant>&, Variant*, EXCEPINFO*) override;
};

}  // namespace korvale::vistrel
