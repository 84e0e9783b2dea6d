# The response side of the HTTP client: status line, header block and body
# fed from memory through a scripted transport.
quillfen_fuzz(http_response_fuzz LIBS http)
