#pragma once

#include <mutex>

// Where two are held, printer_table_cs is taken first and print_thread_cs second.

// Job counts, work modes and check marks of the printer table while a
// dispatch or a refresh reads and changes them.
inline std::recursive_mutex printer_table_cs;
// The printing phase of a print job: one job prints at a time.
inline std::recursive_mutex print_thread_cs;
// One default-paper query at a time.
inline std::recursive_mutex paper_query_cs;

// The pending folder Pic_P: held for a whole dispatch step and the
// pending-folder scan, and by a composition while it lists its photo and
// keeps its source (the composition itself, with the picture number it takes,
// runs under a lock of its own), so a dispatch never waits for a composition.
// Taken before pending_list_cs; the printer table lock may be taken inside it
// but is released before pending_list_cs.
inline std::recursive_mutex pending_folder_cs;
// The pending list and its thumbnails.
inline std::recursive_mutex pending_list_cs;

// The day's print record and printer count files: one job's lines at a time.
// Taken before printer_table_cs, which it holds only to read the printed counts.
inline std::recursive_mutex print_record_cs;
// The day's reprint list file: one save at a time, each writing the list as it is then.
inline std::recursive_mutex reprint_file_cs;
// One companion info file at a time: automatic, phone and combination
// reprints each read a file and add its rows under it.
inline std::recursive_mutex reprint_info_cs;
