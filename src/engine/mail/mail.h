#pragma once

// What mail/ offers the rest of the program: the SMTP conversation over a connection the
// caller gives, the submission ports and the addresses, the e-mail parameters in the settings
// store with the password's stored form, the recent recipients, and the messages of sending.
// Every other header of mail/ is private to it: the rest of the system includes this one.

#include "engine/mail/mail_address.h"
#include "engine/mail/mail_settings.h"
#include "engine/mail/mail_texts.h"
#include "engine/mail/password_scramble.h"
#include "engine/mail/recent_recipients.h"
#include "engine/mail/smtp_client.h"
