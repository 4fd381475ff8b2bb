#pragma once

// One rule for every option, as grep has it, so a script can tell "nothing" from "broken".
enum class ExitStatus {
    Done = 0,
    // The command ran well and had nothing to do: no row matched, or the import was declined.
    NothingDone = 1,
    // Bad input (an unknown option or ZIP, a refused file) or a failure (an unwritable output).
    Failed = 2,
};
