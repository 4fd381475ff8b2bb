#pragma once

// The failure texts of the old database service and its language runtime, which the error box
// shows word for word; every store and command throws them from here, so none drifts.
namespace storeerrors {

inline constexpr char kClosed[] = "Operation is not allowed when the object is closed.";
inline constexpr char kOpen[] = "Operation is not allowed when the object is open.";
inline constexpr char kNoCurrentRow[] = "Either BOF or EOF is True, or the current record has been deleted.";
inline constexpr char kNotSet[] = "Object variable or With block variable not set";

} // namespace storeerrors
