#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "protocol/parameter_ids.h"
#include "protocol/value_layouts.h"

// Every parameter the program writes or reads, with its layouts.

namespace ombrel {

struct CatalogueRow {
  ParamID id;
  std::string_view name;
  // Layout of what the program writes; empty when it never writes it.
  std::optional<ValueLayout> out;
  // Layout of what the unit sends; empty when the unit never sends it.
  std::optional<ValueLayout> in;
};

// In ascending ID order.
std::span<const CatalogueRow> Catalogue();

// The row of `id`, or nullptr for an ID the program does not use.
const CatalogueRow* FindCatalogueRow(ParamID id);

}  // namespace ombrel
