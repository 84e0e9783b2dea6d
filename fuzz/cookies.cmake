# Cookie texts and the Cookie header, and base64 decoding.
quillfen_fuzz(cookie_fuzz LIBS http)
quillfen_fuzz(base64_fuzz LIBS http)
