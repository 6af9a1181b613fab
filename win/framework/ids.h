// The framework's own ids: standard commands, strings and indicators. The
// framework code names them from here, and the program's resource script
// shares them through win/ui/resource.h.
#pragma once

#define IDS_APP_TITLE 57344
#define IDS_IDLE_MESSAGE 57345

#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
// The recent files, first to fourth, as the File menu lists them.
#define ID_FILE_MRU_FILE1 57616
#define ID_FILE_MRU_FILE2 57617
#define ID_FILE_MRU_FILE3 57618
#define ID_FILE_MRU_FILE4 57619
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_WINDOW_CASCADE 57650
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP_TOPICS 57667
#define ID_CONTEXT_HELP 57669
#define ID_HELP 57670
#define ID_DEFAULT_HELP 57671
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681

#define ID_INDICATOR_CAPS 59137
#define ID_INDICATOR_NUM 59138
#define ID_INDICATOR_SCRL 59139
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393

// The exchange's messages for fields that fail their checks.
#define IDS_PROMPT_INTEGER 61712
#define IDS_PROMPT_NUMBER 61713
#define IDS_PROMPT_INTEGER_RANGE 61714
#define IDS_PROMPT_NUMBER_RANGE 61715
