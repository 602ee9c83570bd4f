// The "Korvale Additional Fields to Scan" screen without its window: the
// available and scanned fields with their descriptions, custom fields with
// their MAPI types, the custom filters, and what OK writes into the record.
//
//   FieldsScreen screen(settings);
//   screen.Select(screen.FindAvailable("Duration"));
//   screen.AddFilter(0);
//   screen.Apply(settings, ui);   // also shows the DROP note
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_settings.h"
#include "config/config_ui.h"

namespace korvale::config {

// A listed field; custom fields are described "Custom Field, Type: <type>".
struct FieldItem {
  std::string name;
  std::string description;
};

// The description shown for a standard field (empty for an unknown name).
std::string_view StandardFieldDescription(std::string_view name);
// "PT_I2", "PT_STRING8", ... the types a custom field may have, in list order.
std::vector<std::string> CustomFieldTypes();
// The type of a custom field's item, or nullopt for a standard field.
std::optional<std::string> CustomFieldType(const FieldItem& item);

class FieldsScreen {
 public:
  explicit FieldsScreen(const ConfigSettings& settings);

  const std::vector<FieldItem>& available() const { return available_; }
  const std::vector<FieldItem>& selected() const { return selected_; }
  const std::vector<CustomFilter>& filters() const { return filters_; }

  std::optional<size_t> FindAvailable(std::string_view name) const;
  std::optional<size_t> FindSelected(std::string_view name) const;

  // "<>" between the field lists; an index out of range does nothing.
  void Select(size_t available_index);
  void Deselect(size_t selected_index);

  // "&Add": defines a custom field and scans it. A blank name, an unknown type
  // or a name already listed is refused (false).
  bool AddCustomField(const std::string& name, const std::string& type);

  // "<>" towards the filters: the scanned field becomes a filter with the
  // defaults; a field is not added twice (false).
  bool AddFilter(size_t selected_index);
  void RemoveFilter(size_t filter_index);
  // "Modify": stores the edited values of a filter.
  void ModifyFilter(size_t filter_index, const std::string& display, const std::string& logic,
                    const std::string& select);

  // OK: rebuilds Fields, CustomFieldsSelected, CustomFieldsTypesSelected, the
  // defined custom fields and the filters of `settings`, then shows the note
  // about the tables to drop.
  void Apply(ConfigSettings& settings, ConfigUi& ui) const;

 private:
  std::vector<FieldItem> available_;
  std::vector<FieldItem> selected_;
  std::vector<CustomFilter> filters_;
  std::vector<std::string> custom_fields_;  // every defined custom field, with its type below
  std::vector<std::string> custom_types_;
};

}  // namespace korvale::config
