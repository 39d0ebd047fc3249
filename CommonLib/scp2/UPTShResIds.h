/* String resource numbers of the shell pack's texts (shared by UPTShConsts.rc and the code). */
#pragma once

#define PTSH_RES_SIZE_KB 61700
#define PTSH_RES_COL_NAME 61701
#define PTSH_RES_COL_SIZE 61702
#define PTSH_RES_COL_TYPE 61703
#define PTSH_RES_COL_MODIFIED 61704
#define PTSH_RES_SYSTEM_FOLDER 61705
