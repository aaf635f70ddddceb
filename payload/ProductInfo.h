/* Build-time facts of the product, shared by the program and its version record
   (this file is read by the resource compiler too, so it holds only #defines). */
#pragma once

/* The product web site, opened by the banner and the finish page. */
#define PRODUCT_URL "http://www.example.com/marluxa"

/* The author line of the agreement and finish pages, and the version record's
   company name and comments. */
#define AUTHOR_LINE "Marluxa 开发组    联系电话：010-5550-0123"
