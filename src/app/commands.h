/* Menu commands, resource ids and the program's private window messages.
   Shared by the code and by lumetrone.rc, so it holds only #defines. */
#pragma once

#define IDR_MAIN_MENU           101
#define IDI_APP                 105
#define IDD_ABOUT               200
#define IDD_GO_TO_TIME          201
#define IDC_GO_TO_TIME          1001
#define IDC_GO_TO_TIME_HINT     1002
#define IDD_KEYS                202
#define IDC_KEYS_LIST           1003
#define IDD_MARK_LIST           210
#define IDC_MARK_LIST           1010
#define IDD_NOTE_BOX            206
#define IDC_NOTE_TEXT           1011
#define IDD_SKIPS               230
#define IDC_SKIP_BACK           1040
#define IDC_SKIP_FORWARD        1041
#define IDC_SKIP_OTHER_BACK     1042
#define IDC_SKIP_OTHER_FORWARD  1043
#define IDC_PEDAL_STEP          1044
#define IDC_SKIPS_HINT          1045

#define IDM_OPEN_CLIP           40001
#define IDM_EXIT                40002
#define IDM_PAUSE_PLAY          40003
#define IDM_STOP                40004
#define IDM_CLOSE_CLIP          40005
#define IDM_MUTE                40006
#define IDM_FULL_SCREEN         40007
#define IDM_SIZE_NORMAL         40008
#define IDM_SIZE_HALF           40009
#define IDM_SIZE_DOUBLE         40010
#define IDM_SIZE_THREE_QUARTER  40012
#define IDM_ABOUT               40014
#define IDM_COPY_TIME           40015
#define IDM_GO_TO_TIME          40016
#define IDM_KEYS                40017
#define IDM_GLOBAL_KEYS         40018
#define IDM_EXPORT_MARKS        40061
#define IDM_MARK_LIST           40031
/* Rewind on resume: the item's id less IDM_REWIND_OFF is its seconds. */
#define IDM_REWIND_OFF          40020
#define IDM_REWIND_1            40021
#define IDM_REWIND_2            40022
#define IDM_REWIND_3            40023
#define IDM_REWIND_5            40025
#define IDM_ADD_MARK_WITH_NOTE  40030
#define IDM_SKIPS               40060
/* The A-B loop's repeats: the item's id less IDM_LOOP_FOREVER is the count (0: forever); a gap
   item's id less IDM_LOOP_GAP_NONE is its seconds. */
#define IDM_LOOP_FOREVER        40050
#define IDM_LOOP_2              40052
#define IDM_LOOP_3              40053
#define IDM_LOOP_5              40055
#define IDM_LOOP_GAP_NONE       40056
#define IDM_LOOP_GAP_1          40057
#define IDM_LOOP_GAP_2          40058
#define IDM_LEVELLING           40040
/* Channels: the item's id less IDM_SIDES_BOTH is the side heard (0 both, 1 left, 2 right). */
#define IDM_SIDES_BOTH          40041
#define IDM_SIDES_LEFT          40042
#define IDM_SIDES_RIGHT         40043
#define IDM_NEXT_WORDS          40070
#define IDM_PREVIOUS_WORDS      40071

/* Posted by the media engine while events wait in its queue (WM_USER + 20). */
#define WM_GRAPH_EVENT          0x0414
/* Broadcast between instances: raising the volume in one lowers it in the others. */
#define WM_VOLUME_DUCK          0xFF84
#define VOLUME_DUCK_TAG         25874
/* Posted to itself at start-up, after the open command, when Control from other programs is on (WM_APP + 1). */
#define WM_HOLD_HOT_KEYS        0x8001

#define STATUS_TIMER_ID         1
#define PEDAL_TIMER_ID          2
#define LOOP_GAP_TIMER_ID       3
#define WORD_JUMP_TIMER_ID      4
#define REDRAW_TIMER_ID         5
