/* Resource IDs of the program's icon and pictures. Plain macros, so that the
   resource script includes this file as well as the C++ code. */
#ifndef TELVORA_FORMS_RESOURCE_IDS_H
#define TELVORA_FORMS_RESOURCE_IDS_H

#define TELVORA_ICON 1          /* window icon, 32 x 32 and 16 x 16, 16 colours */
#define TELVORA_LOGO 101        /* program logo, 185 x 40 GIF */
#define TELVORA_PIC_OUTLOOK 102 /* Microsoft Outlook, 96 x 96 JPEG */
#define TELVORA_PIC_EXPRESS 103 /* Outlook Express, 96 x 96 JPEG */

#endif
