#include "agent/core/stop_atom.h"

#include "platform/atoms/atoms.h"

namespace korvale {

std::string StopAtomName(const std::string& instance_name) { return "KorvaleStopService" + instance_name; }

bool ConsumeStopAtom(const std::string& instance_name) {
  atoms::ATOM atom = atoms::GlobalFindAtom(StopAtomName(instance_name));
  if (atom == 0) return false;
  atoms::GlobalDeleteAtom(atom);
  return true;
}

void WithdrawStopRequest(const std::string& instance_name) {
  atoms::ATOM atom = atoms::GlobalFindAtom(StopAtomName(instance_name));
  if (atom != 0) atoms::GlobalDeleteAtom(atom);
}

bool RequestStop(const std::string& instance_name) {
  return atoms::GlobalAddAtom(StopAtomName(instance_name)) != 0;
}

}  // namespace korvale
