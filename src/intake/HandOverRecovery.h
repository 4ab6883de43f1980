#pragma once

// Start-up, before the folder scans list Pic_P and Pic_R and before anything
// is printed: finishes the hand-overs a crash left open. An accepted one gets
// its print record if it lacks it; a new photo whose job never reached the
// spooler, or might not have, goes back from Pic_R to Pic_P, so it waits for
// a printer again; reprint copies that had left the list file for such a job
// come back into it, at the top. Attempts that may have reached the spooler
// stay doubts, looked up before the photo is sent again (HandOver).
// Works on files only; touches no list model.
void RecoverHandOvers();
