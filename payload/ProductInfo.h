/* Build-time facts of the product, in one place for the program and its version record
   (this file is read by the resource compiler too, so it holds only #defines). */
#pragma once

/* The product's name, as the pages, the shortcuts and the version record show it. */
#define PRODUCT_NAME "Marluxa"
/* The installed main program, in the install folder. */
#define PROGRAM_FILE "Quenvale.exe"
/* The default install folder after the system drive letter. */
#define DEFAULT_FOLDER_TAIL ":\\Program Files\\Quenvale"

/* The page caption and the application title. */
#define SETUP_TITLE PRODUCT_NAME "安装程序"
/* The version record's description and names. */
#define VERSION_NAME PRODUCT_NAME "安装"

/* The Programs menu's links besides the program's own (named PRODUCT_NAME). */
#define README_LINK_NAME "软件说明文件"
#define UNINSTALL_LINK_NAME PRODUCT_NAME "卸载"

/* The product web site, opened by the banner and the finish page. */
#define PRODUCT_URL "http://www.example.com/marluxa"

/* The author line of the agreement and finish pages, and the version record's
   company name and comments. */
#define AUTHOR_LINE "Marluxa 开发组    联系电话：010-5550-0123"
